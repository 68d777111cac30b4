#include "dp/KXTracer.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "support/TraceRecorder.h"

namespace {

class CollectingSink : public dp::TraceSink {
  public:
    void Write(const dp::TraceMessage& message) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        texts.push_back(message.text);
    }
    std::vector<std::string> texts;

  private:
    std::mutex m_mutex;
};

TEST(KXTracerTest, FormatsWithChannelAndType) {
    edtest::TraceRecorder recorder;
    dp::KXTracer tracer("ed", "Parser");
    tracer("Got a redirect for %s\n", "x.ed");
    tracer(3, "%d-%s\n", 42, std::string(1000, 'y').c_str());
    {
        // A formatter sends once, when the last of its moves goes.
        dp::TraceFormatter first = tracer.Formatter(2);
        first.stream() << "streamed ";
        dp::TraceFormatter second(std::move(first));
        second.stream() << 7;
        EXPECT_EQ(2u, recorder.Messages().size());
    }
    auto messages = recorder.Messages();
    ASSERT_EQ(3u, messages.size());
    EXPECT_EQ("ed/Parser", messages[0].domain + "/" + messages[0].name);
    EXPECT_EQ(dp::TraceMessage::kNoTraceType, messages[0].type);
    EXPECT_EQ("Got a redirect for x.ed\n", messages[0].text);
    EXPECT_EQ(3, messages[1].type);
    EXPECT_EQ("42-" + std::string(1000, 'y') + "\n", messages[1].text);
    EXPECT_EQ(2, messages[2].type);
    EXPECT_EQ("streamed 7", messages[2].text);
}

TEST(KXTracerTest, ThreadSinkTakesPrecedenceOverProcessSink) {
    CollectingSink process;
    dp::SetTraceSink(&process);
    dp::KXTracer tracer("ed", "Parser");
    {
        edtest::TraceRecorder recorder;
        tracer("mine\n");
        std::thread([&] { tracer("other thread\n"); }).join();
        EXPECT_EQ(std::vector<std::string>{"mine\n"}, recorder.Texts());
        {
            edtest::TraceRecorder inner;
            tracer("inner\n");
            EXPECT_EQ(std::vector<std::string>{"inner\n"}, inner.Texts());
        }
        tracer("mine again\n");
        EXPECT_EQ((std::vector<std::string>{"mine\n", "mine again\n"}), recorder.Texts());
    }
    tracer("process\n");
    dp::SetTraceSink(nullptr);
    EXPECT_EQ((std::vector<std::string>{"other thread\n", "process\n"}), process.texts);
}

}  // namespace

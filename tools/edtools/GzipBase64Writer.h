#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include <zlib.h>

namespace edload {

// Compresses the text written to it as one gzip member and writes that to `out` in base64, as it
// goes: a page carries its data this way at a tenth of its size, and a browser inflates it natively.
// Holds `out` by reference. Not thread-safe.
class GzipBase64Writer {
  public:
    explicit GzipBase64Writer(std::ostream& out);
    ~GzipBase64Writer();
    GzipBase64Writer(const GzipBase64Writer&) = delete;
    GzipBase64Writer& operator=(const GzipBase64Writer&) = delete;

    void Write(std::string_view text);
    // Ends the member and writes what is left. False when the compressor failed at any point.
    bool Finish();

  private:
    void Deflate(std::string_view text, int flush);
    void Encode(bool last);

    std::ostream& m_out;
    z_stream m_stream{};
    bool m_ok;
    std::string m_pending;  // compressed bytes not yet encoded: fewer than 3 after each Encode
};

}  // namespace edload

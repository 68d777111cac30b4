#pragma once

namespace ed {

// Reads numbers from a value text exactly as sscanf's " %f" and " %lf" conversions would, but only
// the plain decimal spellings that ED writers use: an optional sign, digits, a point and digits (on
// either side or both), ending at whitespace or at the end of the text. For anything else Next fails and the
// caller runs sscanf itself, so a value never reads differently; the plain case costs a few nanoseconds
// instead of a trip through the C library's scanner and locale. Reads the text in place.
class NumberScan {
  public:
    explicit NumberScan(const char* text) : m_text(text), m_cursor(text) {}

    // Skips whitespace and reads one plain number, leaving the cursor just behind it. False when
    // what follows is not a plain number (or is out of range); the cursor is then unspecified.
    bool Next(float& out);
    bool Next(double& out);
    // True when nothing but whitespace is left.
    bool AtEnd() const;

    const char* Cursor() const { return m_cursor; }
    // What a "%n" at this point would give.
    int Consumed() const { return static_cast<int>(m_cursor - m_text); }

  private:
    template <class Number>
    bool Read(Number& out);

    const char* m_text;
    const char* m_cursor;
};

}  // namespace ed

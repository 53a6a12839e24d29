#include "engine/message.h"

#include <cstdio>
#include <new>

namespace quv {

namespace {
MessageHandler currentHandler = nullptr;

// Code points of 0x80..0x9F in Windows-1252; the five undefined bytes map to the C1 controls.
constexpr char16_t HighTable[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

std::string Cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        char32_t cp = c;
        if (c >= 0x80 && c < 0xA0)
            cp = HighTable[c - 0x80];
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

bool Utf8ToCp1252(std::string_view utf8, std::string& out)
{
    out.clear();
    size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        char32_t cp = 0;
        size_t length = 0;
        if (lead < 0x80) {
            cp = lead;
            length = 1;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F;
            length = 2;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F;
            length = 3;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07;
            length = 4;
        } else {
            return false;
        }
        if (i + length > utf8.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        i += length;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        bool found = false;
        for (int b = 0; b < 32 && !found; ++b) {
            if (HighTable[b] == cp) {
                out += static_cast<char>(0x80 + b);
                found = true;
            }
        }
        if (!found)
            return false;
    }
    return true;
}

namespace {

void AppendHex(std::string& out, unsigned value)
{
    constexpr char Digits[] = "0123456789abcdef";
    out += "\\x";
    out += Digits[(value >> 4) & 0xF];
    out += Digits[value & 0xF];
}

// The length of the well-formed UTF-8 sequence at the start of text (shortest form, no
// surrogates, at most U+10FFFF); 0 when there is none.
size_t SequenceLength(std::string_view text)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (size_t i = 2; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    return length;
}

} // namespace

std::string EscapeControls(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const unsigned char c = static_cast<unsigned char>(utf8.front());
        const size_t length = SequenceLength(utf8);
        if (length == 0) {
            AppendHex(out, c);
            utf8.remove_prefix(1);
            continue;
        }
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == 0x1B) {
            out += "\\e";
        } else if (c < 0x20 || c == 0x7F) {
            AppendHex(out, c);
        } else if (c == 0xC2 && static_cast<unsigned char>(utf8[1]) < 0xA0) {
            AppendHex(out, static_cast<unsigned char>(utf8[1])); // U+0080..U+009F
        } else {
            out.append(utf8.substr(0, length));
        }
        utf8.remove_prefix(length);
    }
    return out;
}

std::string PrintableCp1252(std::string_view text)
{
    return EscapeControls(Cp1252ToUtf8(text));
}

std::string ExceptionText(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr)
        return "out of memory";
    return error.what();
}

MessageAnswer PrintMessageToStderr(std::string_view caption, std::string_view text,
                                   MessageButtons buttons, MessageIcon)
{
    const std::string line = buttons == MessageButtons::None
                                 ? EscapeControls(caption) + ": " + EscapeControls(text) + "\n"
                                 : PrintableCp1252(caption) + ": " + PrintableCp1252(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

MessageAnswer ShowMessage(std::string_view caption, std::string_view text, MessageButtons buttons,
                          MessageIcon icon)
{
    MessageHandler handler = currentHandler != nullptr ? currentHandler : &PrintMessageToStderr;
    return handler(caption, text, buttons, icon);
}

void PrintMessage(std::string_view caption, std::string_view text, MessageIcon icon)
{
    ShowMessage(caption, text, MessageButtons::None, icon);
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    MessageHandler previous = currentHandler;
    currentHandler = handler;
    return previous;
}

} // namespace quv

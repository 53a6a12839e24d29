#include "engine/message.h"

#include <cstdio>

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

MessageAnswer PrintMessageToStderr(std::string_view caption, std::string_view text,
                                   MessageButtons buttons, MessageIcon)
{
    const std::string line = buttons == MessageButtons::None
                                 ? std::string(caption) + ": " + std::string(text) + "\n"
                                 : Cp1252ToUtf8(caption) + ": " + Cp1252ToUtf8(text) + "\n";
    std::fputs(line.c_str(), stderr);
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

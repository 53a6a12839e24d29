#pragma once
// Every message of the system goes through one replaceable handler: the boxes of ShowMessage and
// the command-line lines of PrintMessage. The player installs a handler that shows a real modal
// box; without one (render, dump, tests, no display) a message is printed as "CAPTION: TEXT" on
// stderr and a box's default answer is taken, so nothing ever blocks. Tests swap the handler to
// assert on the exact text.

#include <exception>
#include <string>
#include <string_view>

namespace quv {

// None marks a print-only message: a line for the console, never a box (see PrintMessage).
enum class MessageButtons { Ok, YesNo, None };
enum class MessageIcon { Error, Exclamation, Information };
enum class MessageAnswer { Ok, Yes, No };

// Caption of boxes that report unhandled input/output and conversion errors.
inline constexpr std::string_view ApplicationTitle = "Plomarind demo";

using MessageHandler = MessageAnswer (*)(std::string_view caption, std::string_view text,
                                         MessageButtons buttons, MessageIcon icon);

// Caption and text are Windows-1252 bytes, as the system writes them.
MessageAnswer ShowMessage(std::string_view caption, std::string_view text,
                          MessageButtons buttons = MessageButtons::Ok,
                          MessageIcon icon = MessageIcon::Error);

// A command-line error, warning or notice, printed as "CAPTION: TEXT" (for example caption
// "quvplayer render", or "quvplayer" with text "warning: ..."). The handler receives it with
// MessageButtons::None and must only print it. Unlike a box's, the text is UTF-8 (it carries
// paths and arguments as the user typed them) and is printed unconverted.
void PrintMessage(std::string_view caption, std::string_view text,
                  MessageIcon icon = MessageIcon::Error);

// Installs a handler (nullptr restores the headless one); returns the previous handler.
MessageHandler SetMessageHandler(MessageHandler handler);

// The headless handler: prints to stderr, answers Ok or Yes (Ok for a print-only message). The
// caption and the text are escaped (EscapeControls): a message never holds a raw control byte.
MessageAnswer PrintMessageToStderr(std::string_view caption, std::string_view text,
                                   MessageButtons buttons, MessageIcon icon);

// Windows-1252, the system's text, and UTF-8, the terminal's and the text form's. The five bytes
// Windows-1252 leaves undefined map to the C1 controls of the same value, so every byte string
// survives the round trip. Utf8ToCp1252 returns false for malformed UTF-8 and for characters the
// code page cannot hold.
std::string Cp1252ToUtf8(std::string_view text);
bool Utf8ToCp1252(std::string_view utf8, std::string& out);

// UTF-8 text made safe for one line of a terminal: every control character is written as an
// escape, so that a label or a file name can neither end the line nor retitle, recolour or
// otherwise command the terminal. TAB, LF, CR and ESC become \t \n \r \e; the other C0
// controls (NUL included), DEL and the C1 controls (U+0080..U+009F) become \xNN with the code
// point's value; a byte that is not part of well-formed UTF-8 becomes \xNN with the byte's value.
// Everything else, backslashes included (Windows paths), passes unchanged.
std::string EscapeControls(std::string_view utf8);

// The same for Windows-1252 text (labels, type and field names): converted to UTF-8, then
// escaped. Its five undefined bytes are C1 controls and show as \x81, \x8d, \x8f, \x90, \x9d.
std::string PrintableCp1252(std::string_view text);

// The message of an exception for the user: "out of memory" for std::bad_alloc, otherwise its
// what() (which names paths for a std::filesystem::filesystem_error).
std::string ExceptionText(const std::exception& error);

} // namespace quv

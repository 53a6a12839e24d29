#pragma once
// Every message box of the system goes through ShowMessage. The player installs a handler that
// shows a real modal box; without one (render, dump, tests, no display) the box is printed as
// "CAPTION: TEXT" on stderr and its default answer is taken, so nothing ever blocks.

#include <string>
#include <string_view>

namespace quv {

enum class MessageButtons { Ok, YesNo };
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

// Installs a handler (nullptr restores the headless one); returns the previous handler.
MessageHandler SetMessageHandler(MessageHandler handler);

// The headless handler: prints to stderr, answers Ok or Yes.
MessageAnswer PrintMessageToStderr(std::string_view caption, std::string_view text,
                                   MessageButtons buttons, MessageIcon icon);

// Windows-1252, the system's text, and UTF-8, the terminal's and the text form's. The five bytes
// Windows-1252 leaves undefined map to the C1 controls of the same value, so every byte string
// survives the round trip. Utf8ToCp1252 returns false for malformed UTF-8 and for characters the
// code page cannot hold.
std::string Cp1252ToUtf8(std::string_view text);
bool Utf8ToCp1252(std::string_view utf8, std::string& out);

} // namespace quv

// ShowWarning: the program's one message box (warning icon, OK only). Tests put a recorder
// in its place instead of blocking on a modal box.
#pragma once

#include <functional>
#include <string>

namespace marlisk::win {

void ShowWarning(const std::string& text);

// The error box (error icon, OK only, the application's title): for what another component
// reports, such as the help viewer's own error text. It goes through the same seam.
void ShowError(const std::string& text);

// A question with はい and いいえ; true for はい. Where a handler stands in for the box (tests,
// unattended running) the text goes to it and `unasked` is the answer, unless a question
// handler answers.
bool AskYesNo(const std::string& text, bool unasked = true);
// Closes a question of AskYesNo still open on this thread as if いいえ were chosen: what it
// asked about has passed.
void withdrawQuestion();
using QuestionHandler = std::function<bool(const std::string&)>;
QuestionHandler setQuestionHandler(QuestionHandler handler);

using WarningHandler = std::function<void(const std::string&)>;
// Replaces what ShowWarning does; an empty handler brings back the message box. Returns the
// handler that was in place.
WarningHandler setWarningHandler(WarningHandler handler);

}  // namespace marlisk::win

// One process-wide queue of answers for the prompts a user would answer: message boxes,
// property sheets and modal dialogs without a display (`ok`, `cancel`, `yes`, `no`), popup menus (`menu ID`) and file dialogs
// (`file PATH`, or `cancel`). Tests and headless scripts fill it; each prompt takes the next
// answer before any presenter is asked. An answer that does not fit the prompt is taken off the
// queue and recorded as an error, and the prompt then goes on as if none were queued. Every
// prompt is recorded with its answer.
#pragma once

#include "base/WinTypes.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class AnswerKind {
    Button, // ok, cancel, yes, no
    Menu,   // menu ID
    File,   // file PATH
};

struct Answer {
    AnswerKind kind = AnswerKind::Button;
    std::string word; // Button: "ok", "cancel", "yes" or "no"
    UINT menuId = 0;  // Menu
    std::string path; // File

    // The answer as it is written in a script ("yes", "menu 32777", "file /tmp/a.wav").
    std::string Text() const;
    // IDOK, IDCANCEL, IDYES or IDNO for a button answer, else 0.
    int ButtonId() const;
};

// Dialog: a modal dialog shown without a display, ended as if its button of the answer's id
// (IDOK, IDCANCEL, ...) were pressed.
enum class PromptKind { MessageBox, Sheet, Menu, FileDialog, Dialog };

// One prompt and how it was answered.
struct PromptRecord {
    PromptKind kind = PromptKind::MessageBox;
    std::string caption; // box caption, sheet caption, dialog title ("" for menus)
    std::string text;    // box text; a file dialog's initial file name
    UINT type = 0;       // MB_* of a box, TPM_* of a menu, OFN_* of a file dialog
    int answer = 0;      // IDOK... of a box or sheet, the command of a menu, TRUE/FALSE of a file dialog
    std::string path;    // the file a file dialog chose
    bool queued = false; // the answer came from the queue
};

// Parses "ok", "cancel", "yes", "no", "menu ID" (decimal) or "file PATH" (PATH is the rest of the
// text, spaces included). Letter case of the words does not matter. Nothing on a malformed text,
// with the reason in `error`.
std::optional<Answer> ParseAnswer(std::string_view text, std::string* error = nullptr);

void PushAnswer(Answer answer);
// Parses and queues; false (and the reason in `error`) for a malformed text, which queues nothing.
bool PushAnswer(std::string_view text, std::string* error = nullptr);
std::size_t PendingAnswers();
std::vector<Answer> QueuedAnswers();

// Takes the next answer for a prompt of this kind, if one is queued. A button word answers a box
// or sheet, `cancel` also a menu (no command) or a file dialog; anything else is taken, recorded
// as an error naming `prompt`, and nothing is returned.
std::optional<Answer> TakeAnswer(PromptKind kind, std::string_view prompt);

void RecordPrompt(PromptRecord record);
void RecordAnswerError(std::string error);
std::vector<PromptRecord> PromptRecords();
std::vector<std::string> AnswerErrors();

// Empties the queue, the records and the errors.
void ClearAnswers();

} // namespace platform

#include "base/AnswerQueue.h"

#include "base/MessageBox.h"
#include "base/Utf.h"

#include <charconv>
#include <deque>
#include <mutex>

namespace {

struct State {
    std::mutex lock;
    std::deque<platform::Answer> answers;
    std::vector<platform::PromptRecord> records;
    std::vector<std::string> errors;
};

State& Shared()
{
    static State state;
    return state;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

const char* KindName(platform::PromptKind kind)
{
    switch (kind) {
    case platform::PromptKind::MessageBox:
        return "message box";
    case platform::PromptKind::Sheet:
        return "property sheet";
    case platform::PromptKind::Dialog:
        return "dialog";
    case platform::PromptKind::Menu:
        return "menu";
    case platform::PromptKind::FileDialog:
        return "file dialog";
    }
    return "prompt";
}

bool Fits(const platform::Answer& answer, platform::PromptKind kind)
{
    using platform::AnswerKind;
    using platform::PromptKind;
    switch (kind) {
    case PromptKind::MessageBox:
    case PromptKind::Sheet:
    case PromptKind::Dialog:
        return answer.kind == AnswerKind::Button;
    case PromptKind::Menu:
        return answer.kind == AnswerKind::Menu || (answer.kind == AnswerKind::Button && answer.word == "cancel");
    case PromptKind::FileDialog:
        return answer.kind == AnswerKind::File || (answer.kind == AnswerKind::Button && answer.word == "cancel");
    }
    return false;
}

} // namespace

namespace platform {

std::string Answer::Text() const
{
    switch (kind) {
    case AnswerKind::Button:
        return word;
    case AnswerKind::Menu:
        return "menu " + std::to_string(menuId);
    case AnswerKind::File:
        return "file " + path;
    }
    return {};
}

int Answer::ButtonId() const
{
    if (kind != AnswerKind::Button)
        return 0;
    if (word == "ok")
        return IDOK;
    if (word == "cancel")
        return IDCANCEL;
    if (word == "yes")
        return IDYES;
    if (word == "no")
        return IDNO;
    return 0;
}

std::optional<Answer> ParseAnswer(std::string_view text, std::string* error)
{
    const auto fail = [&](std::string why) -> std::optional<Answer> {
        if (error)
            *error = std::move(why);
        return std::nullopt;
    };
    text = Trim(text);
    const auto space = text.find_first_of(" \t");
    const std::string word = ToLowerAscii(text.substr(0, space));
    const std::string_view rest = space == std::string_view::npos ? std::string_view() : Trim(text.substr(space));
    Answer answer;
    if (word == "ok" || word == "cancel" || word == "yes" || word == "no") {
        if (!rest.empty())
            return fail("'" + word + "' takes nothing after it");
        answer.kind = AnswerKind::Button;
        answer.word = word;
        return answer;
    }
    if (word == "menu") {
        UINT id = 0;
        const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), id);
        if (rest.empty() || ec != std::errc() || end != rest.data() + rest.size() || id == 0 || id > 0xFFFF)
            return fail("'menu' needs a command id from 1 to 65535");
        answer.kind = AnswerKind::Menu;
        answer.menuId = id;
        return answer;
    }
    if (word == "file") {
        if (rest.empty())
            return fail("'file' needs a path");
        answer.kind = AnswerKind::File;
        answer.path = std::string(rest);
        return answer;
    }
    return fail(text.empty() ? std::string("no answer given")
                             : "unknown answer '" + std::string(text) + "' (ok, cancel, yes, no, menu ID, file PATH)");
}

void PushAnswer(Answer answer)
{
    State& s = Shared();
    std::lock_guard guard(s.lock);
    s.answers.push_back(std::move(answer));
}

bool PushAnswer(std::string_view text, std::string* error)
{
    auto answer = ParseAnswer(text, error);
    if (!answer)
        return false;
    PushAnswer(std::move(*answer));
    return true;
}

std::size_t PendingAnswers()
{
    State& s = Shared();
    std::lock_guard guard(s.lock);
    return s.answers.size();
}

std::vector<Answer> QueuedAnswers()
{
    State& s = Shared();
    std::lock_guard guard(s.lock);
    return {s.answers.begin(), s.answers.end()};
}

std::optional<Answer> TakeAnswer(PromptKind kind, std::string_view prompt)
{
    State& s = Shared();
    std::lock_guard guard(s.lock);
    if (s.answers.empty())
        return std::nullopt;
    Answer answer = std::move(s.answers.front());
    s.answers.pop_front();
    if (Fits(answer, kind))
        return answer;
    s.errors.push_back("answer '" + answer.Text() + "' does not fit the " + KindName(kind) + " \"" +
                       std::string(prompt) + "\"");
    return std::nullopt;
}

void RecordPrompt(PromptRecord record)
{
    State& s = Shared();
    std::lock_guard guard(s.lock);
    s.records.push_back(std::move(record));
}

void RecordAnswerError(std::string error)
{
    State& s = Shared();
    std::lock_guard guard(s.lock);
    s.errors.push_back(std::move(error));
}

std::vector<PromptRecord> PromptRecords()
{
    State& s = Shared();
    std::lock_guard guard(s.lock);
    return s.records;
}

std::vector<std::string> AnswerErrors()
{
    State& s = Shared();
    std::lock_guard guard(s.lock);
    return s.errors;
}

void ClearAnswers()
{
    State& s = Shared();
    std::lock_guard guard(s.lock);
    s.answers.clear();
    s.records.clear();
    s.errors.clear();
}

} // namespace platform

// What a run does with the conflicts a profile left: the worker builds the conflict model, says
// how many conflicts could not be read (string 219), and runs the conflicts dialog over the
// deletions and then over the other changes, each on the window thread while the worker waits.
#pragma once

#include "ConflictHandler.h"

#include "base/WinTypes.h"

#include <functional>

class CDlgConflicts;

class CConflictDialogs : public IConflictHandler {
public:
    // How a dialog runs on the window thread: shown modally until it ends; its result.
    using Runner = std::function<int(CDlgConflicts& dialog)>;

    // Made on the window thread: the worker takes its language for the texts it reads.
    explicit CConflictDialogs(Runner runner);

    void HandleConflicts(COrvView& view, IProfile* profile, IConflicts* conflicts, const std::string& name,
                         const std::string& localStore, const std::string& globalStore) override;

private:
    Runner m_runner;
    LANGID m_language;
};

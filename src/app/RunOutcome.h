// How a run of the setup program ended, and the exit code that tells a script about it.
//
// The program notes the causes as they happen (a confirmed cancel, an error, a file in use
// that is replaced at the next restart); at the end the outcome follows from those notes
// and from how the wizard ended. The first cause noted wins: an error reported after a
// cancel (or the other way round) does not change what stopped the run.
//
// Exit codes (the same numbers deployment tools already read from other installers):
//   0     installed or removed completely (also: the /? text was shown)
//   1602  cancelled (a confirmed Cancel, a refused diskette prompt, a run closed from outside)
//   1603  not complete because of an error (profile, archive, diskette, folder, a failed step),
//         also when an archive error was passed over with "Continue Operation"
//   3010  complete, but a restart is needed: a file in use is replaced at the next restart
#pragma once

inline constexpr int kExitComplete = 0;
inline constexpr int kExitCancelled = 1602;
inline constexpr int kExitFailed = 1603;
inline constexpr int kExitRestartNeeded = 3010;

enum class RunOutcome { Complete, Cancelled, Failed, RestartNeeded };

// Where the wizard stopped.
enum class WizardEnd {
    CompletePage,    // left the Complete (115) or Removed (1547) page
    NotCompletePage, // left the Not complete page (116)
    Other,           // never started, or its window was closed from outside
};

int ExitCodeOf(RunOutcome outcome);
// A short English word for event lines: "complete", "cancelled", "failed", "restart needed".
const char* DescribeOutcome(RunOutcome outcome);

class CRunOutcome {
public:
    // The user (or, unattended, a cancel request) stopped the run.
    void NoteCancelled();
    // An error stopped the run or left part of it undone.
    void NoteFailure();
    // A new file waits for the next restart to replace a file in use.
    void NoteRestartNeeded() { m_restartNeeded = true; }
    // The /? text was shown instead of a run.
    void NoteHelpShown() { m_helpShown = true; }

    bool IsRestartNeeded() const { return m_restartNeeded; }

    RunOutcome Decide(WizardEnd end) const;

private:
    enum class Cause { None, Cancelled, Failed };
    Cause m_cause = Cause::None;
    bool m_restartNeeded = false;
    bool m_helpShown = false;
};

#include "app/RunOutcome.h"

int ExitCodeOf(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::Complete:
        return kExitComplete;
    case RunOutcome::Cancelled:
        return kExitCancelled;
    case RunOutcome::RestartNeeded:
        return kExitRestartNeeded;
    case RunOutcome::Failed:
        break;
    }
    return kExitFailed;
}

const char* DescribeOutcome(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::Complete:
        return "complete";
    case RunOutcome::Cancelled:
        return "cancelled";
    case RunOutcome::RestartNeeded:
        return "restart needed";
    case RunOutcome::Failed:
        break;
    }
    return "failed";
}

void CRunOutcome::NoteCancelled() {
    if (m_cause == Cause::None) {
        m_cause = Cause::Cancelled;
    }
}

void CRunOutcome::NoteFailure() {
    if (m_cause == Cause::None) {
        m_cause = Cause::Failed;
    }
}

RunOutcome CRunOutcome::Decide(WizardEnd end) const {
    if (m_helpShown) {
        return RunOutcome::Complete;
    }
    if (m_cause == Cause::Failed) {
        return RunOutcome::Failed;
    }
    if (m_cause == Cause::Cancelled) {
        return RunOutcome::Cancelled;
    }
    switch (end) {
    case WizardEnd::CompletePage:
        return m_restartNeeded ? RunOutcome::RestartNeeded : RunOutcome::Complete;
    case WizardEnd::NotCompletePage:
        // Something led to page 116 without saying why: it did not complete.
        return RunOutcome::Failed;
    case WizardEnd::Other:
        break;
    }
    // The wizard's window went without the wizard ending it: closed from outside.
    return RunOutcome::Cancelled;
}

// The outcome of a run and its exit code: what was noted during the run and where the
// wizard stopped.
#include <gtest/gtest.h>

#include "app/RunOutcome.h"

namespace {

TEST(RunOutcome, ExitCodesAreDistinctAndDocumented) {
    EXPECT_EQ(ExitCodeOf(RunOutcome::Complete), 0);
    EXPECT_EQ(ExitCodeOf(RunOutcome::Cancelled), 1602);
    EXPECT_EQ(ExitCodeOf(RunOutcome::Failed), 1603);
    EXPECT_EQ(ExitCodeOf(RunOutcome::RestartNeeded), 3010);
    EXPECT_STREQ(DescribeOutcome(RunOutcome::RestartNeeded), "restart needed");
}

TEST(RunOutcome, WizardEndWithoutNotes) {
    const CRunOutcome outcome;
    EXPECT_EQ(outcome.Decide(WizardEnd::CompletePage), RunOutcome::Complete);
    // Page 116 is never a success, even when nothing said why it was reached.
    EXPECT_EQ(outcome.Decide(WizardEnd::NotCompletePage), RunOutcome::Failed);
    // The window closed from outside: someone stopped the run.
    EXPECT_EQ(outcome.Decide(WizardEnd::Other), RunOutcome::Cancelled);
}

TEST(RunOutcome, RestartCountsOnlyForACompleteRun) {
    CRunOutcome outcome;
    outcome.NoteRestartNeeded();
    EXPECT_EQ(outcome.Decide(WizardEnd::CompletePage), RunOutcome::RestartNeeded);
    EXPECT_EQ(outcome.Decide(WizardEnd::NotCompletePage), RunOutcome::Failed);
    outcome.NoteCancelled();
    EXPECT_EQ(outcome.Decide(WizardEnd::NotCompletePage), RunOutcome::Cancelled);
}

TEST(RunOutcome, FirstCauseWins) {
    CRunOutcome cancelledFirst;
    cancelledFirst.NoteCancelled();
    cancelledFirst.NoteFailure();
    EXPECT_EQ(cancelledFirst.Decide(WizardEnd::NotCompletePage), RunOutcome::Cancelled);

    CRunOutcome failedFirst;
    failedFirst.NoteFailure();
    failedFirst.NoteCancelled();
    EXPECT_EQ(failedFirst.Decide(WizardEnd::NotCompletePage), RunOutcome::Failed);
}

TEST(RunOutcome, ErrorPassedOverStillFailsACompleteLookingRun) {
    // "Continue Operation" after a damaged archive reaches page 115, but files are missing.
    CRunOutcome outcome;
    outcome.NoteFailure();
    outcome.NoteRestartNeeded();
    EXPECT_EQ(outcome.Decide(WizardEnd::CompletePage), RunOutcome::Failed);
}

TEST(RunOutcome, HelpIsASuccessWhateverElse) {
    CRunOutcome outcome;
    outcome.NoteHelpShown();
    EXPECT_EQ(outcome.Decide(WizardEnd::Other), RunOutcome::Complete);
}

} // namespace

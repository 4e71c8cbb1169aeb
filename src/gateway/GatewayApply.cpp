#include "GatewayApply.h"

#include "resources/Strings.h"

namespace tqv {

namespace {

ApplyResult failure(ApplyResult result, ApplyStep step, TransferOutcome outcome, std::string message)
{
    result.failedAt = step;
    result.outcome = outcome;
    result.message = std::move(message);
    return result;
}

} // namespace

std::string ApplyResult::errorText() const
{
    StrId pattern = StrId::ApplyFailedRead;
    switch (failedAt) {
    case ApplyStep::None:
        return {};
    case ApplyStep::Checks:
        pattern = StrId::ApplyFailedChecks;
        break;
    case ApplyStep::Read:
        break;
    case ApplyStep::Write:
        pattern = StrId::ApplyFailedWrite;
        break;
    case ApplyStep::Verify:
        pattern = StrId::ApplyFailedVerify;
        break;
    }
    std::string detail = message;
    if (detail.empty())
        detail = text(outcome == TransferOutcome::Cancelled ? StrId::ApplyCancelledDetail
                      : outcome == TransferOutcome::Failed  ? StrId::ApplyNoReplyDetail
                                                            : StrId::ApplyStoppedDetail);
    return formatText(pattern, {detail});
}

ApplyResult applyConfiguration(GatewaySession &session, ConfigStore &project, const ApplyOptions &options,
                               Prompter &prompter)
{
    ApplyResult result;
    // The whole-configuration checks come first, so an unfit project never reaches the line.
    if (!options.checkOnly && !session.downloadMayOpen(project, options.remoteConfigAllowed, prompter))
        return failure(std::move(result), ApplyStep::Checks, TransferOutcome::Stopped, {});

    const GatewayRead before = session.read(project);
    const Carried carried = carriedBy(session.route());
    const Verification held = verificationOf(project, before, carried);
    if (held.verdict == Verification::Verdict::NotVerified)
        return failure(std::move(result), ApplyStep::Read, before.outcome, held.failedStep);
    result.differences = held.differences;
    if (held.verdict == Verification::Verdict::Equal) {
        result.verified = true;
        return result;
    }
    result.changed = true;
    if (options.checkOnly)
        return result;

    if (!session.downloadPressChecks(project, false, prompter))
        return failure(std::move(result), ApplyStep::Checks, TransferOutcome::Stopped, {});
    const GatewayWrite written = session.write(project, false);
    if (!written.complete())
        return failure(std::move(result), ApplyStep::Write, written.outcome, written.message);

    const Verification after = session.verify(project);
    result.verified = after.verdict == Verification::Verdict::Equal;
    if (!result.verified)
        return failure(std::move(result), ApplyStep::Verify,
                       after.verdict == Verification::Verdict::Different ? TransferOutcome::Done : TransferOutcome::Failed,
                       after.summary());
    return result;
}

} // namespace tqv

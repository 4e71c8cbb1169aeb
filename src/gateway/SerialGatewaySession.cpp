#include "SerialGatewaySession.h"

#include "WriteChecks.h"
#include "resources/Strings.h"
#include "serial/DownloadProcedure.h"
#include "serial/UploadProcedure.h"

namespace tqv {

void SerialGatewaySession::closeAfterMismatch()
{
    if (m_closePort)
        m_closePort();
}

std::optional<TransferFailure> SerialGatewaySession::onPort(std::optional<TransferFailure> failure) const
{
    if (failure)
        failure->target = m_portName;
    return failure;
}

bool SerialGatewaySession::downloadMayOpen(ConfigStore &document, bool remoteConfigAllowed, Prompter &prompter)
{
    if (!remoteConfigAllowed) {
        prompter.info(text(StrId::MsgRemoteConfigForbidden));
        return false;
    }
    return downloadDialogMayOpen(document, prompter);
}

GatewayWrite SerialGatewaySession::write(const ConfigStore &configuration, bool incompleteMark)
{
    DownloadProcedure download(m_port, m_clock, m_prompter, m_observer);
    download.setCancelFlag(m_cancel);
    download.setPreChecks(downloadPreChecks);
    DownloadResult result = download.run(configuration, incompleteMark);
    GatewayWrite written;
    written.message = std::move(result.message);
    written.failure = onPort(std::move(result.failure));
    switch (result.outcome) {
    case DownloadOutcome::Downloaded:
        written.outcome = TransferOutcome::Done;
        break;
    case DownloadOutcome::Stopped:
        written.outcome = TransferOutcome::Stopped;
        break;
    case DownloadOutcome::Failed:
        written.outcome = TransferOutcome::Failed;
        break;
    case DownloadOutcome::TypeMismatch:
        written.outcome = TransferOutcome::TypeMismatch;
        closeAfterMismatch();
        break;
    case DownloadOutcome::Cancelled:
        written.outcome = TransferOutcome::Cancelled;
        break;
    }
    return written;
}

GatewayRead SerialGatewaySession::readWith(const ConfigStore &current, Prompter &prompter, TransferObserver &observer)
{
    UploadProcedure upload(m_port, m_clock, prompter, observer);
    upload.setCancelFlag(m_cancel);
    UploadResult result = upload.run(current);
    GatewayRead read;
    read.message = std::move(result.message);
    read.failure = onPort(std::move(result.failure));
    switch (result.outcome) {
    case UploadOutcome::Uploaded:
        read.outcome = TransferOutcome::Done;
        read.configuration = std::move(result.configuration);
        read.firmware = result.store.firmwareVersion();
        break;
    case UploadOutcome::Stopped:
        read.outcome = TransferOutcome::Stopped;
        break;
    case UploadOutcome::Failed:
        read.outcome = TransferOutcome::Failed;
        break;
    case UploadOutcome::TypeMismatch:
        read.outcome = TransferOutcome::TypeMismatch;
        closeAfterMismatch();
        break;
    case UploadOutcome::Cancelled:
        read.outcome = TransferOutcome::Cancelled;
        break;
    }
    return read;
}

} // namespace tqv

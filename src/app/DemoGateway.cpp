#include "DemoGateway.h"

#include "QtText.h"
#include "model/ModelProfile.h"
#include "monitor/MonitorRecord.h"
#include "resources/Strings.h"

#include <QCoreApplication>
#include <QDir>

namespace tqv {

namespace {

void setUnlessSet(const char *name, const QByteArray &value)
{
    if (!qEnvironmentVariableIsSet(name))
        qputenv(name, value);
}

} // namespace

void DemoGateway::useLoopbackEndpoints()
{
    setUnlessSet("TQV580_SEARCH_ADDRESS", "127.0.0.1");
    for (const char *name : {"TQV580_GATEWAY_PORT", "TQV580_LOCAL_PORT", "TQV580_MONITOR_PORT"})
        setUnlessSet(name, QByteArray::number(freeLoopbackPort()));
}

QString DemoGateway::simulatorBesideProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tqv580-gateway-sim"));
}

std::unique_ptr<DemoGateway> DemoGateway::start(const ConfigStore &store, const QString &simulator, QString &error)
{
    std::unique_ptr<DemoGateway> demo(new DemoGateway);
    const QString type = QString::number(store.gatewayType);
    demo->m_ethernet = isEthernetType(store.gatewayType);
    QStringList arguments{QStringLiteral("--gateway-type"), type};
    if (demo->m_ethernet)
        // Remote configuration allowed: the demo is there to be downloaded to.
        arguments = {QStringLiteral("--ethernet"), QStringLiteral("--permission"), QStringLiteral("1")};
    else if (profileOf(store).reportsEthernetType)
        arguments << QStringLiteral("--reported-type") << QStringLiteral("5");
    if (currentLanguage() == Language::Chinese)
        arguments << QStringLiteral("--lang") << QStringLiteral("zh");
    demo->m_configuration = std::make_unique<SimulatorProcess>(simulator, arguments);
    if (!demo->m_configuration->start(error))
        return nullptr;

    // Serial monitoring takes a gateway of its own, in the mode the first firmware answer picks.
    if (monitorCommandEnabled(store)) {
        const MonitorLinkKind link = monitorLinkFor(store, true);
        if (link != MonitorLinkKind::Udp) {
            const QString mode = link == MonitorLinkKind::Framed ? QStringLiteral("framed") : QStringLiteral("record");
            demo->m_monitor = std::make_unique<SimulatorProcess>(
                simulator, QStringList{QStringLiteral("--monitor"), mode, QStringLiteral("--gateway-type"), type});
            if (!demo->m_monitor->start(error))
                return nullptr;
        }
    }
    return demo;
}

QString DemoGateway::configurationLink() const { return m_ethernet ? QString() : m_configuration->link(); }

QString DemoGateway::monitorLink() const { return m_monitor ? m_monitor->link() : QString(); }

QString DemoGateway::description() const
{
    if (m_ethernet)
        return QString::fromStdString(
            formatText(StrId::DemoStatusEthernet, {qEnvironmentVariable("TQV580_GATEWAY_PORT").toStdString()}));
    if (m_monitor)
        return QString::fromStdString(formatText(StrId::DemoStatusWithMonitor, {configurationLink().toStdString(),
                                                                               monitorLink().toStdString()}));
    return QString::fromStdString(formatText(StrId::DemoStatus, {configurationLink().toStdString()}));
}

} // namespace tqv

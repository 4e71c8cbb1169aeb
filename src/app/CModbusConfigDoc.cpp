#include "CModbusConfigDoc.h"

#include "CModbusConfigView.h"
#include "model/ProjectDocument.h"
#include "model/ProjectLanguage.h"
#include "resources/Strings.h"

#include <QFileInfo>

namespace tqv {

CModbusConfigDoc::CModbusConfigDoc(CModbusConfigView *view, QObject *parent) : QObject(parent), m_view(view) {}

void CModbusConfigDoc::newDocument(const Place *keep)
{
    // A new configuration (not the one an upload hands over) takes the ports the system lists now.
    const bool renewed = !m_view->store().uploadPending;
    ProjectDocument::newDocument(m_view->store());
    m_path.clear();
    if (renewed)
        m_view->refreshSerialPorts();
    m_view->initialUpdate(keep);
}

void CModbusConfigDoc::newDocument(std::uint32_t gatewayType, const ModelFlags &flags)
{
    ConfigStore &store = m_view->store();
    store.uploadPending = false;
    ProjectDocument::newDocument(store);
    store.setTypeAndFlags(gatewayType, flags);
    m_path.clear();
    m_view->refreshSerialPorts();
    m_view->initialUpdate(nullptr);
}

Status CModbusConfigDoc::open(const QString &path, std::optional<Language> valuesIn)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const Place kept = m_view->place();
    ConfigStore &store = m_view->store();
    Status opened = ProjectDocument::open(absolute.toStdString(), store, codePageFor(valuesIn.value_or(currentLanguage())));
    if (!opened) {
        m_recent.remove(absolute.toStdString());
        emit recentFilesChanged();
        return opened;
    }
    if (valuesIn && convertValuesLanguage(store, *valuesIn, currentLanguage()) > 0)
        store.configModified = true;
    const bool sameFile = absolute == m_path;
    m_path = absolute;
    m_view->initialUpdate(sameFile ? &kept : nullptr);
    remember(absolute);
    return opened;
}

Status CModbusConfigDoc::saveTo(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    Status saved = ProjectDocument::save(absolute.toStdString(), m_view->store(), codePageFor(currentLanguage()));
    if (!saved)
        return saved;
    m_view->documentSaved();
    m_path = absolute;
    remember(absolute);
    return saved;
}

void CModbusConfigDoc::remember(const QString &path)
{
    m_recent.add(path.toStdString());
    emit recentFilesChanged();
}

} // namespace tqv

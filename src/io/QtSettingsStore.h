#pragma once

#include "model/RecentFiles.h"

#include <QByteArray>
#include <QString>

namespace tqv {

// Per-user settings of the program (recent projects, docking pane layout) in QSettings under the
// organisation and application names earlier versions used, so their settings carry over.
class QtSettingsStore {
public:
    static constexpr const char *kOrganisation = "Local AppWizard-Generated Applications";
    static constexpr const char *kApplication = "TQV-580";

    RecentFiles loadRecentFiles() const;
    void saveRecentFiles(const RecentFiles &files) const;

    // The download dialogs' "Verify" check box; on until the user clears it.
    bool loadVerifyAfterDownload() const;
    void saveVerifyAfterDownload(bool on) const;

    QByteArray loadWindowState() const;
    void saveWindowState(const QByteArray &state) const;
};

} // namespace tqv

#include "RecentFileList.h"

#include <QSettings>

namespace {

const char kSection[] = "Recent File List";

} // namespace

CRecentFileList::CRecentFileList(const QString& iniPath, int size)
    : m_strIniPath(iniPath), m_nSize(size) {
    QSettings settings(m_strIniPath, QSettings::IniFormat);
    settings.beginGroup(QLatin1String(kSection));
    for (int i = 1; i <= m_nSize; ++i) {
        QString file = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!file.isEmpty())
            m_files.append(file);
    }
}

void CRecentFileList::Add(const QString& path) {
    m_files.removeAll(path);
    m_files.prepend(path);
    while (m_files.size() > m_nSize)
        m_files.removeLast();
    Write();
}

void CRecentFileList::Write() const {
    QSettings settings(m_strIniPath, QSettings::IniFormat);
    settings.remove(QLatin1String(kSection));
    settings.beginGroup(QLatin1String(kSection));
    for (int i = 0; i < m_files.size(); ++i)
        settings.setValue(QStringLiteral("File%1").arg(i + 1), m_files[i]);
}

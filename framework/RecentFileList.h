#pragma once

#include <QString>
#include <QStringList>

// The most recently opened files, newest first, kept in the program's INI
// file under [Recent File List] as File1, File2, ...
class CRecentFileList {
public:
    CRecentFileList(const QString& iniPath, int size);

    void Add(const QString& path);
    const QStringList& Files() const { return m_files; }

private:
    void Write() const;

    QString m_strIniPath;
    int m_nSize;
    QStringList m_files;
};

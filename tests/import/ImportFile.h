#pragma once

#include <QTemporaryDir>

#include <fstream>
#include <string>

#include "TestRecords.h"

// A file in a private folder, written as code page 932 from UTF-8 text (or as
// raw bytes), the way an Outlook export arrives.
class CImportFile {
public:
    explicit CImportFile(const std::string& utf8, bool convert = true) {
        m_strPath = (m_folder.path() + "/export.txt").toStdString();
        Write(convert ? CTestRecords::Sjis(utf8) : utf8);
    }

    void Write(const std::string& bytes) {
        std::ofstream out(m_strPath, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    const std::string& Path() const { return m_strPath; }

private:
    QTemporaryDir m_folder;
    std::string m_strPath;
};

#pragma once

#include <QTemporaryDir>

#include <fstream>
#include <string>

#include "RecordReader.h"
#include "RecordStore.h"
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

    // Steps reader to the file's end, each record stored as an import stores it.
    static void StoreAll(CRecordReader& reader, CRecordStore& store) {
        for (CRecordReader::Step step; (step = reader.Next()) != CRecordReader::Step::End;)
            if (step == CRecordReader::Step::Record)
                store.Store(reader);
    }

private:
    QTemporaryDir m_folder;
    std::string m_strPath;
};

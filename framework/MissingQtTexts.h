#pragma once

#include <QTranslator>

// The Japanese of Qt's own texts that Qt's Japanese catalog lacks (the file
// dialog's type column says "Folder" without it). Installed after Qt's
// catalog, so that it is asked first; anything else it leaves to Qt's.
class CMissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText,
                      const char* disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override { return false; }
};

#include "Text.h"

#include "Cp932.h"

QString CText::FromCp932(const std::string& cp932) {
    return QString::fromStdString(CCp932::ToUtf8(cp932));
}

QString CText::FromCp932(const char* cp932, size_t length) {
    return QString::fromStdString(CCp932::ToUtf8(std::string_view(cp932, length)));
}

bool CText::ToCp932(const QString& text, std::string& cp932) {
    return CCp932::FromUtf8(text.toStdString(), cp932);
}

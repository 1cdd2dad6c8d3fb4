#include "MissingQtTexts.h"

#include <cstring>

QString CMissingQtTexts::translate(const char* context, const char* sourceText, const char*,
                                   int) const {
    static const struct {
        const char* context;
        const char* source;
        const char* japanese;
    } kTexts[] = {
        {"QAbstractFileIconProvider", "Folder", "フォルダー"},
        {"QAbstractFileIconProvider", "File", "ファイル"},
        {"QAbstractFileIconProvider", "Drive", "ドライブ"},
    };
    if (context == nullptr || sourceText == nullptr)
        return QString();
    for (const auto& text : kTexts)
        if (std::strcmp(context, text.context) == 0 && std::strcmp(sourceText, text.source) == 0)
            return QString::fromUtf8(text.japanese);
    return QString();
}

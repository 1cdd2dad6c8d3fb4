#pragma once

#include <string>

// A column name as the readers compare it, whichever width the export wrote
// it in: half-width katakana become full-width (a sound mark joins the kana
// before it), full-width ASCII (letters, digits, parentheses, the slash...)
// and the ideographic space become ASCII, Latin letters lower case, and
// spaces and double quotes around the name go. So ﾒﾓ and メモ, ｱﾗｰﾑ ｵﾝ/ｵﾌ and アラーム オン／オフ
// are one name.
class CHeaderName {
public:
    // The folded form (UTF-8) of a name in code page 932.
    static std::string Fold(const std::string& cp932);
    // The folded form of a name in UTF-8.
    static std::string FoldUtf8(const std::string& utf8);
};

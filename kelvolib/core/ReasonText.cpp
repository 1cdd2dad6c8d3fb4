#include "ReasonText.h"

#include <cstdlib>
#include <vector>

// GCC 12 warns inside <regex>, under the sanitizers' instrumentation, that a
// std::function of its own may be used uninitialised: a false alarm about the
// standard library's code, not ours.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>

#include "Cp932.h"

namespace {

// A reason's form (ECMAScript) and what it says in Japanese (UTF-8; $1...
// the form's groups). tail: the last group is a reason of its own.
struct CForm {
    const char* english;
    const char* japanese;
    bool tail;
};

const CForm kForms[] = {
    {"database (.+) cannot be opened: (.+)", u8"データベース $1 を開けません: $2", true},
    {"database (.+) cannot be used: (.+)", u8"データベース $1 を使えません: $2", true},
    {"database (.+) cannot be prepared: (.+)", u8"データベース $1 を準備できません: $2", true},
    {"database (.+) is not a kelvo groupware database; it was left unchanged",
     u8"$1 は kelvo のグループウェアのデータベースではありません（何も変えていません）", false},
    {"database (.+) was written by a newer kelvo \\(schema version (\\d+), this library knows "
     "(\\d+)\\)",
     u8"データベース $1 は新しい kelvo で書かれています（スキーマ版 $2、このライブラリは $3 "
     u8"まで）",
     false},
    {"database (.+) looks like a URI but is not one \\(postgresql://\\.\\.\\.\\); a file name "
     "with a colon is written as \\./NAME",
     u8"データベース $1 は URI のようですが URI ではありません（postgresql://...）。コロンを含む"
     u8"ファイル名は ./名前 と書きます",
     false},
    {"nobody has signed in to (.+): on this server each person opens the groupware by signing in",
     u8"$1 にはまだ誰もサインインしていません。このサーバーでは、各自がサインインして"
     u8"グループウェアを開きます",
     false},
    {"nobody has signed in", u8"まだ誰もサインインしていません", false},
    {"no user (.+)", u8"ユーザー $1 はいません", false},
    {"there is no such import", u8"そのインポートはありません", false},
    {"there is no import (\\d+)", u8"インポート $1 はありません", false},
    {"it was taken back before", u8"すでに取り消されています", false},
    {"import (\\d+) cannot be taken back: (.+)", u8"インポート $1 を取り消せません: $2", true},
    {"a later import changed entries (.+) \\(forced, it is taken back and those keep the later "
     "changes\\)",
     u8"後のインポートがデータ $1 を変えています（管理者は kelvo-admin import undo --force で"
     u8"取り消せます。そのデータは後の変更のまま残ります）",
     false},
    {"an import cannot begin: another one is under way",
     u8"インポートを始められません: 別のインポートが進んでいます", false},
    {"the password of (.+) cannot be changed: (.+)", u8"$1 のパスワードを変更できません: $2", true},
    {"a new password has at least (\\d+) characters",
     u8"新しいパスワードは $1 文字以上にしてください", false},
    {"the sign-in of (.+) cannot be checked: (.+)", u8"$1 のサインインを確かめられません: $2",
     true},
    {"write batch cannot be committed: (.+)", u8"書き込みを確定できません: $1", true},
    {"(.+) \\(the connection was lost while (\\d+) entries were being committed; the server may "
     "have stored them\\)",
     u8"$1（$2 件を確定している間に接続が切れました。サーバーには保存されたかもしれません）",
     false},
    {"the server cannot be reached(.*)", u8"サーバーに接続できません$1", false},
    {"(?:ERROR: +)?the entries of someone else cannot be written(.*)",
     u8"ほかの人のデータは書き込めません$1", false},
    {"KELVO_DATABASE is set but empty: name a database \\(a file or a postgresql:// URI\\), or "
     "unset it for the default",
     u8"KELVO_DATABASE が空です。データベース（ファイルか postgresql:// の URI）を指定するか、"
     u8"既定の場所を使うなら KELVO_DATABASE を消してください",
     false},
    {"no database is configured: set KELVO_DATABASE \\(or HOME, or XDG_DATA_HOME\\)",
     u8"データベースが設定されていません。KELVO_DATABASE（または HOME か XDG_DATA_HOME）を設定"
     u8"してください",
     false},
    {"(.+):(\\d+) is no setting: write name = value",
     u8"$1 の $2 行目は設定ではありません（名前 = 値 の形で書きます）", false},
    {"the configuration file (.+) cannot be read: (.+)", u8"設定ファイル $1 を読めません: $2",
     false},
    {"(address|schedule) (.+) cannot be (added|updated): (.+)", u8"$1 $2 を$3できません: $4", true},
    {"the import's record cannot be written: (.+)", u8"インポートの記録を書けません: $1", true},
    {"the import's entries cannot be recorded: (.+)", u8"インポートしたデータを記録できません: $1",
     true},
    {"what an entry was before the import cannot be kept: (.+)",
     u8"インポート前のデータを残せません: $1", true},
    {"what a series was before the import cannot be kept: (.+)",
     u8"インポート前の繰り返しを残せません: $1", true},
    {"what the import skipped cannot be recorded: (.+)", u8"読み飛ばしたデータを記録できません: $1",
     true},
    {"the import's record cannot be ended: (.+)", u8"インポートの記録を終えられません: $1", true},
    {"user (.+) cannot be updated: (.+)", u8"ユーザー $1 を更新できません: $2", true},
    {"a user needs a name", u8"ユーザーには名前が要ります", false},
    {"user exists already", u8"そのユーザーはすでにいます", false},
    {"the password of (.+) cannot be read: (.+)", u8"$1 のパスワードを読めません: $2", true},
    {"unexpected failure", u8"予期しない失敗です", false},
    {"category (.+) cannot be added: (.+)", u8"分類 $1 を追加できません: $2", true},
    {"a message needs a title", u8"メッセージには件名が要ります", false},
    {"the poster is not a user", u8"投稿者がユーザーではありません", false},
    {"the message replied to does not exist", u8"返信先のメッセージがありません", false},
    {"message cannot be posted: (.+)", u8"メッセージを投稿できません: $1", true},
    {"statement cannot be prepared: (.+)", u8"問い合わせを準備できません: $1", true},
    {"(.+) cannot be read: (.+)", u8"$1を読めません: $2", true},
    {"the database cannot be written: (.+)", u8"データベースに書き込めません: $1", true},
    {"(.+) cannot be numbered: (.+)", u8"$1 に番号を振れません: $2", true},
    {"the entries of (.+) cannot be locked: (.+)", u8"$1 のデータを確保できません: $2", true},
    {"schedule owner cannot be added: (.+)", u8"スケジュールの持ち主を追加できません: $1", true},
    {"the series (.+) cannot be replaced: (.+)", u8"繰り返し $1 を置き換えられません: $2", true},
    {"the list was lost when a write transaction failed",
     u8"書き込みが失敗したため、一覧が失われました", false},
    {"another writer did not release the lock within ([0-9.]+) s",
     u8"ほかの書き込みが $1 秒のうちに終わりませんでした", false},
    {"the server did not answer within ([0-9.]+) s", u8"サーバーが $1 秒のうちに答えませんでした",
     false},
    {"this program did not go on within ([0-9.]+) s inside a transaction, and the server ended "
     "its session",
     u8"このプログラムが書き込みの途中で $1 秒止まったため、サーバーが接続を終えました", false},
    // The office server's functions' words.
    {"import (\\d+) is not under way for (.+)", u8"インポート $1 は $2 のものとして進んでいません",
     false},
    {"no groupware user signs in as (.+)", u8"$1 としてサインインするユーザーはいません", false},
    {"an entry's owner and ID do not change", u8"データの持ち主と ID は変えられません", false},
    {"an entry's ID must come from a block its writer reserved",
     u8"データの ID は書き手が確保した範囲のものでなければなりません", false},
    // The embedded engine's own words, where they end a reason.
    {"database is locked", u8"データベースをほかのプログラムが使っています", false},
    {"unable to open database file", u8"データベースのファイルを開けません", false},
    {"attempt to write a readonly database", u8"読み取り専用のデータベースには書き込めません",
     false},
    {"database or disk is full", u8"データベースかディスクがいっぱいです", false},
    {"disk I/O error", u8"ディスクの読み書きに失敗しました", false},
    {"file is not a database", u8"データベースのファイルではありません", false},
    {"database disk image is malformed", u8"データベースのファイルが壊れています", false},
};

// What a reason calls the things it names, in Japanese.
const std::pair<const char*, const char*> kNouns[] = {
    {"address", u8"アドレス"},
    {"schedule", u8"スケジュール"},
    {"added", u8"追加"},
    {"updated", u8"更新"},
    {"users", u8"ユーザー"},
    {"user", u8"ユーザー"},
    {"address book", u8"アドレス帳"},
    {"address keys", u8"アドレスの重複キー"},
    {"schedule keys", u8"スケジュールの重複キー"},
    {"categories", u8"分類"},
    {"board", u8"掲示板"},
    {"the entries", u8"データ"},
    {"the import", u8"インポート"},
    {"the imports", u8"インポートの記録"},
    {"the later changes", u8"後の変更"},
    {"the skipped records", u8"読み飛ばしの記録"},
    {"schedules", u8"スケジュール"},
    {"addresses", u8"アドレス"},
    {"schedule owners", u8"スケジュールの持ち主"},
    {"the sign-ins", u8"サインインの記録"},
    {"the removed users", u8"削除したユーザー"},
};

// The forms, made once (the library's calls are serialised).
const std::vector<std::pair<std::regex, const CForm*>>& Forms() {
    static const std::vector<std::pair<std::regex, const CForm*>> forms = [] {
        std::vector<std::pair<std::regex, const CForm*>> made;
        for (const CForm& form : kForms)
            made.emplace_back(std::regex(form.english), &form);
        return made;
    }();
    return forms;
}

} // namespace

bool CReasonText::Japanese() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return std::string(value).rfind("ja", 0) == 0;
    }
    return false;
}

std::string CReasonText::ForPerson(const std::string& reason) {
    return Japanese() ? InJapanese(reason) : reason;
}

std::string CReasonText::InJapanese(const std::string& reason) {
    for (const auto& [pattern, form] : Forms()) {
        std::smatch match;
        if (!std::regex_match(reason, match, pattern))
            continue;
        std::string said;
        if (!CCp932::FromUtf8(form->japanese, said))
            return reason;
        const size_t groups = match.size() - 1;
        std::string out;
        for (size_t i = 0; i < said.size(); ++i) {
            const size_t index =
                said[i] == '$' && i + 1 < said.size() && said[i + 1] >= '1' && said[i + 1] <= '9'
                    ? static_cast<size_t>(said[i + 1] - '0')
                    : 0;
            if (index == 0 || index > groups) {
                out += said[i];
                continue;
            }
            std::string group = match[index].str();
            if (form->tail && index == groups)
                group = InJapanese(group);
            else
                for (const auto& [english, japanese] : kNouns)
                    if (group == english && CCp932::FromUtf8(japanese, group))
                        break;
            out += group;
            ++i;
        }
        return out;
    }
    return reason;
}

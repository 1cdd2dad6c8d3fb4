#include "Resources.h"

#include "Resource.h"

namespace {

CMenuItem Item(const char* text, int id) {
    return CMenuItem{QString::fromUtf8(text), id, {}, false};
}

CMenuItem Separator() {
    return CMenuItem{};
}

CMenuItem Popup(const char* text, std::vector<CMenuItem> items, bool windowMenu = false) {
    return CMenuItem{QString::fromUtf8(text), 0, std::move(items), windowMenu};
}

std::vector<CMenuItem> EditItems() {
    return {Item("元に戻す(&U)\tCtrl+Z", ID_EDIT_UNDO), Separator(),
            Item("切り取り(&T)\tCtrl+X", ID_EDIT_CUT), Item("ｺﾋﾟｰ(&C)\tCtrl+C", ID_EDIT_COPY),
            Item("貼り付け(&P)\tCtrl+V", ID_EDIT_PASTE)};
}

std::vector<CMenuItem> AllViewItems() {
    return {Item("ユーザー一覧", ID_VIEW_USER),
            Item("スケジュール一覧", ID_VIEW_SCHADULE),
            Item("アドレス帳一覧", ID_VIEW_ADDRESS),
            Item("掲示板一覧", ID_VIEW_BOARD),
            Separator(),
            Item("モニター", ID_VIEW_MONITOR)};
}

std::vector<CMenuItem> BarItems() {
    return {Item("ﾂｰﾙ ﾊﾞｰ(&T)", ID_VIEW_TOOLBAR), Item("ｽﾃｰﾀｽ ﾊﾞｰ(&S)", ID_VIEW_STATUS_BAR)};
}

CMenuItem WindowMenu() {
    return Popup(
        "ｳｨﾝﾄﾞｳ(&W)",
        {Item("新しいｳｨﾝﾄﾞｳを開く(&N)", ID_WINDOW_NEW), Item("重ねて表示(&C)", ID_WINDOW_CASCADE),
         Item("並べて表示(&T)", ID_WINDOW_TILE_HORZ), Item("ｱｲｺﾝの整列(&A)", ID_WINDOW_ARRANGE)},
        true);
}

CMenuItem ExitItem() {
    return Item("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", ID_APP_EXIT);
}

CMenuItem ChildHelp() {
    return Popup("ﾍﾙﾌﾟ(&H)", {Item("ﾊﾞｰｼﾞｮﾝ情報(RuvView) (&A)...", ID_APP_ABOUT)});
}

std::vector<CMenuItem> Join(std::vector<CMenuItem> first, const std::vector<CMenuItem>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// Menus 132 and 134; 135 adds the password change to the edit popup.
std::vector<CMenuItem> ListMenu(bool passwordItem) {
    std::vector<CMenuItem> edit = EditItems();
    if (passwordItem) {
        edit.push_back(Separator());
        edit.push_back(Item("パスワード変更", ID_CHANGE_PASSWORD));
    }
    return {Popup("ﾌｧｲﾙ(&F)", {ExitItem()}), Popup("編集(&E)", edit),
            Popup("表示(&V)", Join(Join(AllViewItems(), {Separator()}), BarItems())), WindowMenu(),
            ChildHelp()};
}

CFrameResources MakeFrame() {
    CFrameResources frame;
    frame.menus[IDR_MAINFRAME] = {
        Popup("ﾌｧｲﾙ(&F)",
              {Item("ログイン", ID_LOGIN), Item("アドレスインポート", ID_IMPORT_ADDRESS),
               Item("スケジュールインポート", ID_IMPORT_SCHADULE),
               Item("インポートの取り消し", ID_UNDO_IMPORT), Separator(), ExitItem()}),
        Popup("表示(&V)", Join({Item("ユーザー一覧", ID_VIEW_USER),
                                Item("アドレス帳一覧", ID_VIEW_ADDRESS), Separator()},
                               BarItems())),
        Popup("ﾍﾙﾌﾟ(&H)", {Item("ﾊﾞｰｼﾞｮﾝ情報(RuvView)(&A)...", ID_APP_ABOUT)}),
    };
    CMenuItem fileWithLogin = Popup(
        "ﾌｧｲﾙ(&F)", {Item("ログイン", ID_LOGIN), Item("アドレスインポート", ID_IMPORT_ADDRESS),
                     Item("インポートの取り消し", ID_UNDO_IMPORT), Separator(), ExitItem()});
    frame.menus[IDR_USERTYPE] = {
        fileWithLogin,
        Popup("編集(&E)",
              Join(EditItems(), {Separator(), Item("パスワード変更", ID_CHANGE_PASSWORD)})),
        Popup("表示(&V)", Join({Item("ユーザー一覧", ID_VIEW_USER),
                                Item("アドレス帳一覧", ID_VIEW_ADDRESS), Separator()},
                               BarItems())),
        WindowMenu(),
        ChildHelp(),
    };
    frame.menus[IDR_SCHADULETYPE] = ListMenu(false);
    frame.menus[IDR_ADDRESSTYPE] = {
        fileWithLogin,
        Popup("編集(&E)", EditItems()),
        Popup("表示(&V)",
              Join({Item("ユーザー一覧", ID_VIEW_USER), Item("アドレス帳一覧", ID_VIEW_ADDRESS),
                    Separator(), Item("モニター", ID_VIEW_MONITOR), Separator()},
                   BarItems())),
        WindowMenu(),
        ChildHelp(),
    };
    frame.menus[IDR_BOARDTYPE] = ListMenu(false);
    frame.menus[IDR_MONITORTYPE] = ListMenu(true);

    const std::pair<int, const char*> strings[] = {
        {IDR_MAINFRAME, "kelvo-View"},
        {ID_VIEW_USER, "ユーザー一覧表示"},
        {ID_VIEW_SCHADULE, "スケジュール一覧"},
        {ID_VIEW_ADDRESS, "アドレス帳一覧の表示"},
        {ID_VIEW_BOARD, "掲示板一覧を表示する"},
        {ID_CHANGE_PASSWORD, "パスワードを変更します"},
        {ID_VIEW_MONITOR, "モニターウィンドウの表示"},
        {ID_IMPORT_ADDRESS, "アドレス情報インポート"},
        {ID_IMPORT_SCHADULE, "スケジュールデータのインポート"},
        {ID_UNDO_IMPORT, "直前のインポートを取り消します"},
        {ID_FILE_NEW, "新規にﾌｧｲﾙを作成\n新規ﾌｧｲﾙ"},
        {ID_FILE_OPEN, "既存のﾌｧｲﾙを開く\n開く"},
        {ID_FILE_SAVE, "作業中のﾌｧｲﾙを保存\n保存"},
        {ID_EDIT_COPY, "選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\nｺﾋﾟ-"},
        {ID_EDIT_CUT, "選択範囲を切り取ってｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\n切り取り"},
        {ID_EDIT_PASTE, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を貼り付け\n貼り付け"},
        {ID_EDIT_UNDO, "直前に行った動作を元に戻す\n元に戻す"},
        {ID_WINDOW_NEW, "作業中のｳｨﾝﾄﾞｳを複写して表示\n新規ｳｨﾝﾄﾞｳ"},
        {ID_WINDOW_ARRANGE, "ｳｨﾝﾄﾞｳの下部にｱｲｺﾝを整列\nｱｲｺﾝの整列"},
        {ID_WINDOW_CASCADE, "ｳｨﾝﾄﾞｳを重ねて表示\n重ねて表示"},
        {ID_WINDOW_TILE_HORZ, "ｳｨﾝﾄﾞｳを上下に並べて表示\n上下に並べて表示"},
        {ID_APP_ABOUT, "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示\nﾊﾞｰｼﾞｮﾝ情報"},
        {ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示\n終了"},
        {ID_NEXT_PANE, "次のｳｨﾝﾄﾞｳに切り替える\n次ﾍﾟｰｼﾞ"},
        {ID_PREV_PANE, "前のｳｨﾝﾄﾞｳに切り替える\n前ﾍﾟｰｼﾞ"},
        {ID_VIEW_TOOLBAR, "ﾂｰﾙ ﾊﾞｰの表示/非表示\nﾂｰﾙ ﾊﾞｰの表示/非表示"},
        {ID_VIEW_STATUS_BAR, "ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示\nｽﾃｰﾀｽ ﾊﾞｰの表示/非表示"},
        {ID_INDICATOR_KANA, "ｶﾅ"},
        {ID_INDICATOR_CAPS, "CAP"},
        {ID_INDICATOR_NUM, "NUM"},
        {ID_INDICATOR_SCRL, "SCRL"},
    };
    for (const auto& [id, text] : strings)
        frame.strings[id] = QString::fromUtf8(text);

    const std::pair<QKeySequence, int> accelerators[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW},
        {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO},
        {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), ID_EDIT_UNDO},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), ID_EDIT_COPY},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), ID_EDIT_PASTE},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
    };
    frame.accelerators.assign(std::begin(accelerators), std::end(accelerators));
    frame.toolBar = {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, 0, ID_FILE_PRINT, ID_APP_ABOUT};
    frame.indicators = {ID_INDICATOR_KANA, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    frame.idleText = QStringLiteral("ﾚﾃﾞｨ");
    return frame;
}

} // namespace

const CFrameResources& CResources::Frame() {
    static const CFrameResources frame = MakeFrame();
    return frame;
}

QString CResources::DocString(int templateId) {
    switch (templateId) {
    case IDR_USERTYPE:
        return QStringLiteral("\nユーザー一覧\nUser\n\n\nUser.Document\nUser Document");
    case IDR_SCHADULETYPE:
        return QStringLiteral("\nスケジュール一覧\nScha\n\n\nScha.Document\nScha Document");
    case IDR_ADDRESSTYPE:
        return QStringLiteral("\nアドレス帳一覧\nAdd\n\n\nAdd.Document\nAdd Document");
    case IDR_BOARDTYPE:
        return QStringLiteral("\n掲示板一覧\nBord\n\n\nBord.Document\nBord Document");
    case IDR_MONITORTYPE:
        return QStringLiteral("\nモニター\nMon\n\n\nMon.Document\nMon Document");
    default:
        return QString();
    }
}

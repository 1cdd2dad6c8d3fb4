#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include <iostream>
#include <string>

#include "BackendLoader.h"
#include "BackendTable.h"
#include "MessageBox.h"
#include "ViewerApp.h"

namespace {

// The program icon: a small drawn badge, so that nothing is loaded from disk.
QIcon ProgramIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x2d, 0x6c, 0xb5));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(1, 1, 30, 30, 6, 6);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(20);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("K"));
    return QIcon(pixmap);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setWindowIcon(ProgramIcon());

    CBackendLoader loader;
    std::string error;
    if (!loader.Load(KvBackend(), error)) {
        // Before any window: on standard error, and in a box where someone can see one.
        std::cerr << "kelvo-View: " << error << std::endl;
        QString platform = QGuiApplication::platformName();
        if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
            CMessageBox::Show(nullptr, QString::fromStdString(error));
        return 1;
    }
    CViewerApp app;
    return app.Run();
}

// Start-up of the banner editor. (The main window arrives with the editor work.)
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("   Velnora"));
    window.resize(676, 429);
    window.show();
    return app.exec();
}

// The banner editor's entry point: start-up, the event loop, and the forms'
// end once the loop is left.
#include "Forms.h"
#include "ModStart.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ModStart::Main();
    const int code = QApplication::exec();
    Forms::unloadAll();
    return code;
}

// bare_qt_window: the baseline of the start-up benchmark. A plain QMainWindow of a given fixed size,
// shown at once, with nothing else started: no synthesiser, no files, no lock.
// usage: bare_qt_window [WIDTH HEIGHT]   (pixels; default 400 300)
#include <QApplication>
#include <QMainWindow>
#include <QWidget>

#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int width = 400;
    int height = 300;
    if (argc == 3) {
        width = std::atoi(argv[1]);
        height = std::atoi(argv[2]);
    }
    if (width <= 0 || height <= 0)
        return 2;

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare Qt window"));
    window.setCentralWidget(new QWidget(&window));
    window.setFixedSize(width, height);
    window.move(0, 0);
    window.show();
    return app.exec();
}

// Floor: a bare 794 x 642 Qt Widgets window that paints once and quits. It reports the moment its
// first paint is done and its peak memory, the least any Qt Widgets program can cost at launch.

#include "measure.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>

namespace {

class Bare : public QWidget {
protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        p.fillRect(e->rect(), Qt::white);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    Bare w;
    w.setAttribute(Qt::WA_OpaquePaintEvent);
    w.setFixedSize(794, 642);
    kbench::FirstPaint watch(&w, [] {
        kbench::report("painted_ns", double(kbench::monotonicNs()));
        kbench::report("peak_rss_kb", double(kbench::peakRssKb()));
        QCoreApplication::exit(0);
    });
    w.show();
    return QApplication::exec();
}

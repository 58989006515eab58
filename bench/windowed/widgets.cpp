/* The widget layer over Qt 6 Widgets: QApplication, a QMainWindow frame
 * whose central widget shows the toolkit's finished frames (blitted from an
 * image), a QMenuBar of QMenus and QActions built at run time, and an idle
 * function run from a zero-interval QTimer. Records live until the process
 * ends; the Qt objects are released when the message loop returns. */
#include "widgets.h"

#include <string.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QImage>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace {

struct WidgetLayer {
  std::vector<std::unique_ptr<Widget>> widgets;
  int nextcommand = 100;
  QApplication *app = nullptr;
  QTimer *idle = nullptr;
  void (*idlefn)(void) = nullptr;
};

WidgetLayer &layer(void) {
  static WidgetLayer l;
  return l;
}

Widget *new_record(int kind, const char *name, Widget *parent, void *native) {
  layer().widgets.push_back(std::unique_ptr<Widget>(
      new Widget{kind, name ? name : "", parent, {}, 0, native}));
  return layer().widgets.back().get();
}

/* Runs the callbacks registered for the event, in registration order. */
void fire(Widget *w, int event) {
  std::vector<WidgetCallbackSlot> list = w->callbacks;
  for (const WidgetCallbackSlot &s : list)
    if (s.event == event && s.fn) s.fn(w, s.clientdata);
}

class Frame : public QMainWindow {
 public:
  explicit Frame(Widget *record) : record_(record) {}

 protected:
  void closeEvent(QCloseEvent *e) override {
    e->accept();
    fire(record_, WL_EVENT_CLOSE);
  }

 private:
  Widget *record_;
};

/* The child window: the last frame at its top-left corner. Tells its
 * record's callbacks when its size changes. */
class View : public QWidget {
 public:
  View(QWidget *parent, Widget *record) : QWidget(parent), record_(record) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setMouseTracking(true);
  }
  QImage image;
  WidgetMouse mouse = {};

 protected:
  void paintEvent(QPaintEvent *) override {
    if (image.isNull()) return;
    QPainter p(this);
    p.drawImage(0, 0, image);
  }
  void resizeEvent(QResizeEvent *e) override {
    QWidget::resizeEvent(e);
    if (record_) fire(record_, WL_EVENT_SIZE);
  }
  void mouseMoveEvent(QMouseEvent *e) override { tell(WL_MOUSE_MOVE, e); }
  void mousePressEvent(QMouseEvent *e) override { tell(WL_MOUSE_DOWN, e); }
  void mouseReleaseEvent(QMouseEvent *e) override { tell(WL_MOUSE_UP, e); }
  void mouseDoubleClickEvent(QMouseEvent *e) override { tell(WL_MOUSE_DOUBLE, e); }

 private:
  /* Left, right and middle buttons; the others are not the toolkit's. */
  void tell(int event, QMouseEvent *e) {
    int button = e->button() == Qt::LeftButton    ? 0
                 : e->button() == Qt::RightButton  ? 1
                 : e->button() == Qt::MiddleButton ? 2
                                                   : -1;
    if (event != WL_MOUSE_MOVE && button < 0) return;
    QPoint at = e->position().toPoint();
    mouse = WidgetMouse{event, button < 0 ? 0 : button, at.x(), at.y()};
    if (record_) fire(record_, WL_EVENT_MOUSE);
  }
  Widget *record_;
};

QAction *action_of(const Widget *w) {
  return w && w->kind == WL_MENUITEM ? static_cast<QAction *>(w->native) : nullptr;
}

std::string trimmed(const std::string &s) {
  size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

}  // namespace

Widget *wl_application(int &argc, char **argv, const char *name) {
  WidgetLayer &l = layer();
  if (!l.app) l.app = new QApplication(argc, argv);
  return new_record(WL_APPLICATION, name, nullptr, l.app);
}

Widget *wl_frame(Widget *app, const char *title, int x, int y, int width, int height) {
  Widget *w = new_record(WL_WINDOW, title, app, nullptr);
  Frame *f = new Frame(w);
  w->native = f;
  f->setWindowTitle(QString::fromUtf8(title));
  /* Without a window manager the outer size is the widget's size; with one,
   * the decorations are the manager's and come on top. */
  f->move(x, y);
  f->resize(width, height);
  return w;
}

void wl_resize(Widget *frame, int width, int height) {
  if (QWidget *f = frame ? static_cast<QWidget *>(frame->native) : nullptr) f->resize(width, height);
}

Widget *wl_view(Widget *frame, const char *name, int minimum, int maximum) {
  Frame *f = static_cast<Frame *>(frame->native);
  Widget *record = new_record(WL_WINDOW, name, frame, nullptr);
  View *v = new View(f, record);
  record->native = v;
  v->setObjectName(QString::fromUtf8(name));
  v->setMinimumSize(minimum, minimum);
  v->setMaximumSize(maximum, maximum);
  f->setCentralWidget(v);
  return record;
}

/* The menu bar's height depends on the width (its items may wrap), so the
 * frame is sized from the menu bar's height for that width, then corrected
 * by what the layout actually gives the child. */
void wl_view_fit(Widget *view, int width, int height) {
  View *v = view ? static_cast<View *>(view->native) : nullptr;
  Frame *f = v ? static_cast<Frame *>(v->window()) : nullptr;
  if (!f) return;
  f->resize(width, height + f->menuBar()->heightForWidth(width));
  for (int round = 0; round < 3; ++round) {
    if (QLayout *l = f->layout()) l->activate();
    QSize miss = QSize(width, height) - v->size();
    if (miss.isNull()) break;
    f->resize(f->size() + miss);
  }
}

WidgetMouse wl_view_mouse(Widget *view) {
  View *v = view ? static_cast<View *>(view->native) : nullptr;
  return v ? v->mouse : WidgetMouse{};
}

void wl_view_size(Widget *view, int *width, int *height) {
  QWidget *v = view ? static_cast<QWidget *>(view->native) : nullptr;
  *width = v ? v->width() : 0;
  *height = v ? v->height() : 0;
}

void wl_view_setframe(Widget *view, const uint8_t *rgba, int width, int height) {
  View *v = static_cast<View *>(view->native);
  if (!v || !rgba || width <= 0 || height <= 0) return;
  if (v->image.width() != width || v->image.height() != height)
    v->image = QImage(width, height, QImage::Format_RGBA8888);
  for (int y = 0; y < height; ++y)
    memcpy(v->image.scanLine(y), rgba + size_t(height - 1 - y) * size_t(width) * 4,
           size_t(width) * 4);
  v->update();
}

bool wl_view_save(Widget *view, const char *file) {
  View *v = static_cast<View *>(view->native);
  return v && v->grab().toImage().convertToFormat(QImage::Format_RGB888).save(
                  QString::fromUtf8(file));
}

bool wl_frame_save(Widget *frame, const char *file) {
  QWidget *f = static_cast<QWidget *>(frame->native);
  if (!f) return false;
  QPixmap px;
  QRect g = f->frameGeometry();
  if (QScreen *s = f->screen()) px = s->grabWindow(0, g.x(), g.y(), g.width(), g.height());
  if (px.isNull()) px = f->grab();
  return px.save(QString::fromUtf8(file));
}

void wl_show(Widget *window) {
  if (QWidget *w = static_cast<QWidget *>(window->native)) w->show();
}

void wl_close(Widget *window) {
  if (QWidget *w = static_cast<QWidget *>(window->native)) w->close();
}

void wl_destroy(Widget *window) {
  if (QWidget *w = static_cast<QWidget *>(window->native)) w->hide();
}

Widget *wl_menubar(Widget *frame) {
  Frame *f = static_cast<Frame *>(frame->native);
  return new_record(WL_MENUBAR, "MenuBar", frame, f->menuBar());
}

Widget *wl_popup(Widget *parent, const char *text) {
  QMenu *m = nullptr;
  if (parent->kind == WL_MENUBAR)
    m = static_cast<QMenuBar *>(parent->native)->addMenu(QString::fromUtf8(text));
  else if (parent->kind == WL_POPUP)
    m = static_cast<QMenu *>(parent->native)->addMenu(QString::fromUtf8(text));
  if (!m) return nullptr;
  return new_record(WL_POPUP, text, parent, m);
}

Widget *wl_menuitem(Widget *popup, const char *text, bool grayed) {
  if (!popup || popup->kind != WL_POPUP) return nullptr;
  QAction *a = static_cast<QMenu *>(popup->native)->addAction(QString::fromUtf8(text));
  a->setEnabled(!grayed);
  Widget *w = new_record(WL_MENUITEM, text, popup, a);
  w->command = layer().nextcommand++;
  QObject::connect(a, &QAction::triggered, [w] { fire(w, WL_EVENT_COMMAND); });
  return w;
}

void wl_popup_open(Widget *popup) {
  if (!popup || popup->kind != WL_POPUP || !popup->parent || popup->parent->kind != WL_MENUBAR)
    return;
  QMenuBar *bar = static_cast<QMenuBar *>(popup->parent->native);
  QMenu *menu = static_cast<QMenu *>(popup->native);
  if (bar && menu) bar->setActiveAction(menu->menuAction());
}

void wl_enable(Widget *item, bool on) {
  if (QAction *a = action_of(item)) a->setEnabled(on);
}

bool wl_enabled(const Widget *item) {
  QAction *a = action_of(item);
  return a && a->isEnabled();
}

void wl_settext(Widget *item, const char *text) {
  if (QAction *a = action_of(item)) a->setText(QString::fromUtf8(text));
}

std::string wl_text(const Widget *item) {
  QAction *a = action_of(item);
  return a ? a->text().toStdString() : std::string();
}

bool wl_choose(int command) {
  for (const std::unique_ptr<Widget> &w : layer().widgets) {
    if (w->kind != WL_MENUITEM || w->command != command) continue;
    if (QAction *a = action_of(w.get())) a->trigger();   /* a disabled action ignores it */
    return true;
  }
  return false;
}

Widget *wl_finditem(const char *text) {
  std::string t = trimmed(text ? text : "");
  for (const std::unique_ptr<Widget> &w : layer().widgets)
    if (w->kind == WL_MENUITEM && trimmed(wl_text(w.get())) == t) return w.get();
  for (const std::unique_ptr<Widget> &w : layer().widgets)
    if (w->kind == WL_MENUITEM && trimmed(w->name) == t) return w.get();
  return nullptr;
}

Widget *wl_findpopup(const char *text) {
  std::string t = trimmed(text ? text : "");
  for (const std::unique_ptr<Widget> &w : layer().widgets)
    if (w->kind == WL_POPUP && trimmed(w->name) == t) return w.get();
  return nullptr;
}

void wl_addcallback(Widget *widget, int event, WidgetCallback fn, uintptr_t clientdata) {
  if (widget) widget->callbacks.push_back(WidgetCallbackSlot{event, fn, clientdata});
}

void wl_setidle(void (*fn)(void)) {
  WidgetLayer &l = layer();
  l.idlefn = fn;
  if (!l.idle && l.app) {
    l.idle = new QTimer(l.app);
    l.idle->setInterval(0);
    QObject::connect(l.idle, &QTimer::timeout, [] {
      if (layer().idlefn) layer().idlefn();
    });
  }
  if (!l.idle) return;
  if (fn) l.idle->start();
  else l.idle->stop();
}

int wl_run(Widget *app) {
  WidgetLayer &l = layer();
  if (!app || !l.app) return 1;
  int status = l.app->exec();
  if (l.idle) l.idle->stop();
  l.idlefn = nullptr;
  /* Frames first (their menus and child windows go with them), then the
   * application, which owns the idle timer. */
  for (const std::unique_ptr<Widget> &w : l.widgets)
    if (w->kind == WL_WINDOW && w->parent && w->parent->kind == WL_APPLICATION) {
      delete static_cast<QWidget *>(w->native);
      w->native = nullptr;
    }
  for (const std::unique_ptr<Widget> &w : l.widgets)
    if (w->kind != WL_APPLICATION) w->native = nullptr;
  delete l.app;
  l.app = nullptr;
  l.idle = nullptr;
  return status;
}

void wl_quit(int status) {
  if (layer().app) layer().app->exit(status);
}

std::string wl_openfile(Widget *parent, const char *pattern) {
  QWidget *p = parent && parent->kind == WL_WINDOW ? static_cast<QWidget *>(parent->native)
                                                   : nullptr;
  QString filter = QString("App Files (%1);;All Files (*.*)").arg(QString::fromUtf8(pattern));
  return QFileDialog::getOpenFileName(p, QString(), QString(), filter).toStdString();
}

#include "adapters/qt/QtWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMetaObject>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRegion>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "adapters/gate/WindowThreadGate.h"
#include "adapters/qt/QtCanvas.h"
#include "adapters/qt/QtDialogHost.h"
#include "adapters/qt/QtModal.h"
#include "adapters/qt/QtText.h"

namespace wl {

namespace {

enum class Life { Alive, Destroying, Destroyed };

QKeySequence keyOf(const Accelerator& a) {
    if (a.kind == Accelerator::Char) {
        if (a.code >= 1 && a.code <= 26) return QKeySequence(QKeyCombination(Qt::CTRL, Qt::Key(Qt::Key_A + a.code - 1)));
        if (a.code >= 32 && a.code < 127) return QKeySequence(QString(QChar(a.code)));
        return {};
    }
    int vk = a.code;
    if (vk >= 112 && vk <= 135) return QKeySequence(Qt::Key(Qt::Key_F1 + (vk - 112)));
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return QKeySequence(Qt::Key(vk));
    switch (vk) {
    case 13: return QKeySequence(Qt::Key_Return);
    case 27: return QKeySequence(Qt::Key_Escape);
    case 32: return QKeySequence(Qt::Key_Space);
    case 45: return QKeySequence(Qt::Key_Insert);
    case 46: return QKeySequence(Qt::Key_Delete);
    default: return {};
    }
}

// As on the platform, an accelerator whose menu item is disabled or grey sends nothing; one
// without a menu item always sends.
bool acceleratorSends(const std::map<int, QAction*>& items, int command) {
    auto it = items.find(command);
    return it == items.end() || it->second->isEnabled();
}

Rgb toRgb(const QColor& c) {
    return Rgb{static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue())};
}

// The window is only 35 average characters wide: the popups' titles need the platform's
// narrow spacing to fit in one row beside the right-justified one.
QString menuBarStyle() { return QStringLiteral("QMenuBar { spacing: 0px; } QMenuBar::item { padding: 1px 4px; }"); }

class MainFrame;
class ClientArea;

}  // namespace

struct QtWindow::Impl {
    std::unique_ptr<QObject> receiver = std::make_unique<QObject>();
    // Jobs for the window's thread ride its event loop; Qt drops them if the receiver is gone.
    WindowThreadGate gate{[r = receiver.get()](WindowThreadGate::Job job) {
        QMetaObject::invokeMethod(r, std::move(job), Qt::QueuedConnection);
    }};
    WindowEvents* events = nullptr;
    Life life = Life::Alive;

    QPointer<QMainWindow> frame;
    ClientArea* client = nullptr;
    QMenuBar* rightBar = nullptr;
    FontCache fonts{windowDefaultFont()};

    QImage image;
    QSize outerSize;  // the window as the program sized it, menu bar included
    QRegion dirty, erase;
    QPainter* activePainter = nullptr;  // while the paint handler draws
    bool blitOnly = false;               // showing immediate drawing runs no paint handler
    int pumping = 0;                     // inside processPendingEvents

    std::map<int, QWidget*> controls;
    QWidget* lastTabStop = nullptr;
    QPointer<QWidget> focusAfterRelease;  // asked for while a button was held down
    std::map<int, std::function<void()>> disabledClickActions;
    std::map<int, QAction*> actions;
    std::map<int, bool> checked;
    std::vector<QShortcut*> shortcuts;
    std::vector<QKeySequence> acceleratorKeys;
    std::map<int, QTimer*> timers;

    bool cursorChosen = false;  // set by the program during a mouse-move handler
    QEventLoop* loop = nullptr;
    std::optional<int> quitCode;

    // The session's end closes modal loops from outside; the window goes once none is left.
    bool sessionEnding = false;
    int modalDepth = 0;
    QTimer* sessionCloser = nullptr;
    template <class F>
    auto modal(F&& run) {
        ++modalDepth;
        auto result = run();
        --modalDepth;
        return result;
    }
    void endSession();
    bool fileDialog(FileDialogParams& params, bool save);

    bool live() const { return events && life != Life::Destroyed; }
    void command(int id, int code) {
        if (live()) events->onCommand(id, code);
    }
    QColor btnFace() const;
    void servePaint();
    void show(const QRegion& r);
    void destroy();
    template <class T>
    T* find(int id) const {
        auto it = controls.find(id);
        return it == controls.end() ? nullptr : qobject_cast<T*>(it->second);
    }
    void addControl(int id, QWidget* w, const Rect& r, bool tabStop);
};

namespace {

class MainFrame : public QMainWindow {
public:
    explicit MainFrame(QtWindow::Impl& d) : d_(d) {}

protected:
    // The close box takes the same path as the program's own exit.
    void closeEvent(QCloseEvent* e) override {
        if (d_.life == Life::Destroyed) {
            e->accept();
            return;
        }
        e->ignore();  // while shutting down (the save prompt is up) a second close waits
        if (d_.pumping > 0) {
            // A long step lets the window run: the close waits until that step is over.
            QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
            return;
        }
        d_.destroy();
    }

private:
    QtWindow::Impl& d_;
};

class ClientArea : public QWidget {
public:
    ClientArea(QtWindow::Impl& d, QWidget* parent) : QWidget(parent), d_(d) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        if (!d_.blitOnly) d_.servePaint();
        QPainter p(this);
        p.drawImage(e->rect(), d_.image, e->rect());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!d_.live()) return;
        // The class cursor (arrow) applies unless the handler picks another, as on the platform.
        d_.cursorChosen = false;
        QPoint p = e->position().toPoint();
        d_.events->onMouseMove(p.x(), p.y());
        if (!d_.cursorChosen) setCursor(Qt::ArrowCursor);
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !d_.live()) return;
        QPoint p = e->position().toPoint();
        d_.events->onClick(p.x(), p.y(), false);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !d_.live()) return;
        QPoint p = e->position().toPoint();
        d_.events->onClick(p.x(), p.y(), true);
    }

private:
    QtWindow::Impl& d_;
};

// Qt delivers no mouse press to a disabled control: a filter sees it first.
class DisabledClicks : public QObject {
public:
    DisabledClicks(QtWindow::Impl& d, int id, QObject* parent) : QObject(parent), d_(d), id_(id) {}
    bool eventFilter(QObject* obj, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress && !static_cast<QWidget*>(obj)->isEnabled() && d_.live()) {
            auto it = d_.disabledClickActions.find(id_);
            if (it != d_.disabledClickActions.end() && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
                it->second();
                return true;
            }
        }
        return QObject::eventFilter(obj, e);
    }

private:
    QtWindow::Impl& d_;
    int id_;
};

// Accelerators come before the edit box's own keys (Ctrl+V is the volume control there).
class AcceleratorsFirst : public QObject {
public:
    AcceleratorsFirst(QtWindow::Impl& d, QObject* parent) : QObject(parent), d_(d) {}
    bool eventFilter(QObject* obj, QEvent* e) override {
        if (e->type() == QEvent::ShortcutOverride) {
            auto* k = static_cast<QKeyEvent*>(e);
            QKeySequence pressed(k->keyCombination());
            for (const QKeySequence& s : d_.acceleratorKeys)
                if (s == pressed) {
                    e->ignore();
                    return true;
                }
        }
        return QObject::eventFilter(obj, e);
    }

private:
    QtWindow::Impl& d_;
};

// Draws straight into the back buffer and shows the result, like a device context of the
// window. Inside the paint handler it shares the handler's painter.
class ImmediateCanvas : public Canvas {
public:
    explicit ImmediateCanvas(QtWindow::Impl& d) : d_(d) {
        if (d_.activePainter) {
            painter_ = d_.activePainter;
            painter_->save();
            painter_->setClipping(false);
        } else {
            own_.emplace(&d_.image);
            painter_ = &*own_;
        }
        canvas_.emplace(*painter_, d_.fonts);
    }
    ~ImmediateCanvas() override {
        canvas_.reset();
        if (own_) {
            own_->end();
            // Only what was drawn: showing more would repaint the buttons over it too.
            if (!drawn_.isEmpty()) d_.show(QRegion(drawn_ & d_.image.rect()));
        } else {
            painter_->restore();
        }
    }
    void rectangle(const Rect& r, Rgb pen, Rgb brush) override {
        touch(QRect(r.left, r.top, r.width(), r.height()));
        canvas_->rectangle(r, pen, brush);
    }
    void line(Point from, Point to, Rgb pen) override {
        touch(QRect(QPoint(from.x, from.y), QPoint(to.x, to.y)).normalized());
        canvas_->line(from, to, pen);
    }
    void polyline(const std::vector<Point>& points, Rgb pen) override {
        for (const Point& p : points) touch(QRect(p.x, p.y, 1, 1));
        canvas_->polyline(points, pen);
    }
    void textOut(int x, int y, const std::string& text, const TextStyle& style) override {
        const QFontMetrics m(d_.fonts.font(style.font));
        touch(QRect(x, y, m.horizontalAdvance(toQString(text)), std::max(style.font.height, m.height())));
        canvas_->textOut(x, y, text, style);
    }

private:
    void touch(const QRect& r) { drawn_ |= r.adjusted(-2, -2, 2, 2); }
    QRect drawn_;
    QtWindow::Impl& d_;
    std::optional<QPainter> own_;
    QPainter* painter_ = nullptr;
    std::optional<QtCanvas> canvas_;
};

// Immediate drawing asked for on another thread: each call is drawn on the window's thread.
class ForwardingCanvas : public Canvas {
public:
    explicit ForwardingCanvas(QtWindow::Impl& d) : d_(d) {}
    void rectangle(const Rect& r, Rgb pen, Rgb brush) override {
        draw([r, pen, brush](Canvas& c) { c.rectangle(r, pen, brush); });
    }
    void line(Point from, Point to, Rgb pen) override {
        draw([from, to, pen](Canvas& c) { c.line(from, to, pen); });
    }
    void polyline(const std::vector<Point>& points, Rgb pen) override {
        draw([points, pen](Canvas& c) { c.polyline(points, pen); });
    }
    void textOut(int x, int y, const std::string& text, const TextStyle& style) override {
        draw([x, y, text, style](Canvas& c) { c.textOut(x, y, text, style); });
    }

private:
    void draw(std::function<void(Canvas&)> op) {
        QtWindow::Impl* d = &d_;
        d_.gate.run([d, op] {
            ImmediateCanvas c(*d);
            op(c);
        });
    }
    QtWindow::Impl& d_;
};

}  // namespace

QColor QtWindow::Impl::btnFace() const { return client->palette().color(QPalette::Button); }

void QtWindow::Impl::servePaint() {
    if (dirty.isEmpty() || activePainter) return;
    QRegion paintRegion = dirty, eraseRegion = erase;
    // Invalidations made by the handler itself go to the next paint.
    dirty = QRegion();
    erase = QRegion();
    QPainter p(&image);
    if (!eraseRegion.isEmpty()) {
        p.setClipRegion(eraseRegion);
        p.fillRect(image.rect(), btnFace());
    }
    p.setClipRegion(paintRegion);
    if (live()) {
        QtCanvas canvas(p, fonts);
        activePainter = &p;
        events->onPaint(canvas);
        activePainter = nullptr;
    }
    p.end();
    client->update(paintRegion);
}

void QtWindow::Impl::show(const QRegion& r) {
    // Shown at once, also while the window's thread is busy in a long step.
    if (client->isVisible() && !activePainter) {
        // Pending invalid areas wait for their paint, as they would behind a busy thread.
        blitOnly = true;
        client->repaint(r);
        blitOnly = false;
        // The blit flushes Qt's pending updates too, invalid areas included: ask for those again
        // so that their paint still comes.
        if (!dirty.isEmpty()) client->update(dirty);
    } else
        client->update(r);
}

void QtWindow::Impl::addControl(int id, QWidget* w, const Rect& r, bool tabStop) {
    w->setGeometry(r.left, r.top, r.width(), r.height());
    if (tabStop) {
        w->setFocusPolicy(Qt::StrongFocus);
        if (lastTabStop) QWidget::setTabOrder(lastTabStop, w);
        lastTabStop = w;
    }
    controls[id] = w;
}

void QtWindow::Impl::destroy() {
    if (life != Life::Alive) return;
    life = Life::Destroying;
    // From here on other threads are turned away, so onDestroy may join them.
    gate.close();
    if (events) events->onDestroy();
    for (auto& [id, t] : timers) t->stop();
    life = Life::Destroyed;
    if (frame) frame->close();
}

void QtWindow::Impl::endSession() {
    // While destroying too: the shutdown's own question (save the settings?) is open then.
    if (sessionEnding || life == Life::Destroyed) return;
    sessionEnding = true;
    if (events) events->onEndSession();
    // Polled rather than done once: a handler may still open a dialog the wrappers do not
    // see (or one whose loop starts after this), and the program's handler that opened a box
    // must have returned before the window goes, which only an idle turn of the loop shows.
    sessionCloser = new QTimer(receiver.get());
    QObject::connect(sessionCloser, &QTimer::timeout, [this] {
        if (life == Life::Destroyed) {
            sessionCloser->stop();
            return;
        }
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) {
                dialog->reject();  // a template dialog's procedure sees its Cancel button
                if (dialog->isVisible()) dialog->done(QDialog::Rejected);  // one that ignores it
            }
        // A shutdown under way goes on by itself once its box has closed.
        if (life == Life::Alive && modalDepth == 0 && pumping == 0) {
            sessionCloser->stop();
            destroy();
        }
    });
    sessionCloser->start(10);
}

QtWindow::QtWindow() : d_(std::make_unique<Impl>()) {
    // The program ends by quit(), never because its last window went away.
    QApplication::setQuitOnLastWindowClosed(false);
    mapTemplateFaces();
    // The window's class is "Wavelathe" (X11's WM_CLASS takes it from the application name),
    // and desktops match the window to its launcher and icon by the desktop file name.
    QCoreApplication::setApplicationName(QStringLiteral("Wavelathe"));
    if (QGuiApplication::desktopFileName().isEmpty()) QGuiApplication::setDesktopFileName(QStringLiteral("wavelathe"));
    auto* frame = new MainFrame(*d_);
    d_->frame = frame;
    frame->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    frame->setWindowTitle(QStringLiteral("Wavelathe"));
    d_->client = new ClientArea(*d_, frame);
    // The controls' captions are in the same font as the layout units, as on the platform.
    d_->client->setFont(d_->fonts.defaultFont());
    frame->setCentralWidget(d_->client);
    frame->layout()->setSizeConstraint(QLayout::SetFixedSize);
    d_->image = QImage(1, 1, QImage::Format_RGB32);
    d_->image.fill(d_->btnFace());
}

QtWindow::~QtWindow() {
    d_->gate.close();
    for (auto& [id, t] : d_->timers) t->stop();
    delete d_->frame.data();
}

int QtWindow::create(WindowEvents& events) {
    return d_->gate.call<int>(
        [this, &events] {
            d_->events = &events;
            return events.onCreate(*this);
        },
        -1);
}

void QtWindow::show() {
    d_->gate.run([this] {
        if (d_->life == Life::Alive) d_->frame->show();
    });
}

int QtWindow::runMessageLoop() {
    if (!d_->quitCode) {
        QEventLoop loop;
        d_->loop = &loop;
        loop.exec();
        d_->loop = nullptr;
    }
    return d_->quitCode.value_or(0);
}

FontMetrics QtWindow::defaultFontMetrics() {
    return d_->gate.call<FontMetrics>(
        [this] {
            QFontMetrics m(d_->fonts.defaultFont());
            return FontMetrics{m.averageCharWidth(), m.ascent() + m.descent(), std::max(0, m.leading())};
        },
        FontMetrics{});
}

int QtWindow::screenWidth() {
    return d_->gate.call<int>([] { QScreen* s = QGuiApplication::primaryScreen(); return s ? s->geometry().width() : 0; }, 0);
}

int QtWindow::screenHeight() {
    return d_->gate.call<int>([] { QScreen* s = QGuiApplication::primaryScreen(); return s ? s->geometry().height() : 0; }, 0);
}

void QtWindow::moveWindow(int x, int y, int width, int height) {
    d_->gate.run([this, x, y, width, height] {
        Impl& d = *d_;
        d.outerSize = QSize(std::max(1, width), std::max(1, height));
        applyOuterSize();
        d.frame->move(x, y);
    });
}

// The program's window size counts the menu bar, as the platform's window size counts its
// non-client parts; the client area is what remains below the menu bar.
void QtWindow::applyOuterSize() {
    Impl& d = *d_;
    if (d.outerSize.isEmpty()) return;
    QMenuBar* bar = d.frame->menuBar();
    const int menuHeight = bar->actions().isEmpty() ? 0 : bar->sizeHint().height();
    const int w = d.outerSize.width(), h = std::max(1, d.outerSize.height() - menuHeight);
    d.client->setFixedSize(w, h);
    d.frame->adjustSize();
    if (d.image.size() != QSize(w, h)) {
        QImage fresh(w, h, QImage::Format_RGB32);
        fresh.fill(d.btnFace());
        d.image = fresh;
    }
    d.dirty = QRegion(d.image.rect());
    d.erase = d.dirty;
    d.client->update();
}

Rgb QtWindow::systemColor(SysColor color) {
    return d_->gate.call<Rgb>(
        [this, color] {
            const QPalette& p = d_->client->palette();
            switch (color) {
            case SysColor::BtnShadow: return toRgb(p.color(QPalette::Dark));
            case SysColor::BtnHighlight: return toRgb(p.color(QPalette::Light));
            default: return toRgb(p.color(QPalette::Button));
            }
        },
        Rgb{});
}

void QtWindow::createButton(int id, const std::string& caption, const Rect& r) {
    d_->gate.run([this, id, caption, r] {
        auto* b = new QPushButton(toQString(caption), d_->client);
        b->setAutoDefault(true);  // Enter on a focused button presses it
        QObject::connect(b, &QPushButton::released, d_->receiver.get(), [d = d_.get()] {
            if (QPointer<QWidget> w = std::exchange(d->focusAfterRelease, nullptr)) w->setFocus(Qt::OtherFocusReason);
        });
        QObject::connect(b, &QPushButton::clicked, d_->receiver.get(), [d = d_.get(), id] { d->command(id, 0); });
        b->installEventFilter(new DisabledClicks(*d_, id, b));
        d_->addControl(id, b, r, true);
        b->show();
    });
}

void QtWindow::createEdit(int id, const Rect& r) {
    d_->gate.run([this, id, r] {
        auto* e = new QLineEdit(d_->client);
        e->installEventFilter(new AcceleratorsFirst(*d_, e));
        d_->addControl(id, e, r, true);
        e->show();
    });
}

void QtWindow::createListBox(int id, const Rect& r) {
    d_->gate.run([this, id, r] {
        auto* l = new QListWidget(d_->client);
        l->setFocusPolicy(Qt::NoFocus);
        d_->addControl(id, l, r, false);
        l->hide();  // a store for texts, never shown
    });
}

void QtWindow::enableControl(int id, bool enabled) {
    d_->gate.run([this, id, enabled] {
        if (QWidget* w = d_->find<QWidget>(id)) w->setEnabled(enabled);
    });
}

bool QtWindow::isControlEnabled(int id) {
    return d_->gate.call<bool>(
        [this, id] {
            QWidget* w = d_->find<QWidget>(id);
            return w && w->isEnabledTo(d_->client);
        },
        false);
}

void QtWindow::setControlText(int id, const std::string& text) {
    d_->gate.run([this, id, text] {
        QString t = toQString(text);
        if (auto* e = d_->find<QLineEdit>(id)) {
            if (e->text() != t) e->setText(t);  // an unchanged text keeps the caret where it is
        } else if (auto* b = d_->find<QPushButton>(id)) {
            b->setText(t);
        }
    });
}

std::string QtWindow::controlText(int id, size_t maxChars) {
    return d_->gate.call<std::string>(
        [this, id, maxChars] {
            if (auto* e = d_->find<QLineEdit>(id)) return toUtf8(e->text(), maxChars);
            if (auto* b = d_->find<QPushButton>(id)) return toUtf8(b->text(), maxChars);
            return std::string();
        },
        std::string());
}

void QtWindow::setFocus(int id) {
    d_->gate.run([this, id] {
        QWidget* w = d_->find<QWidget>(id);
        if (!w) return;
        // A button that loses the focus while it is held down forgets the press, and its click
        // is lost; the paint handler moves the focus, and the press repaints the window.
        for (auto& [other, control] : d_->controls) {
            auto* b = qobject_cast<QAbstractButton*>(control);
            if (b && b != w && b->isDown()) {
                d_->focusAfterRelease = w;
                return;
            }
        }
        d_->focusAfterRelease = nullptr;
        w->setFocus(Qt::OtherFocusReason);
    });
}

void QtWindow::updateControl(int id) {
    d_->gate.run([this, id] {
        QWidget* w = d_->find<QWidget>(id);
        if (w && w->isVisible()) w->repaint();
    });
}

void QtWindow::listClear(int id) {
    d_->gate.run([this, id] {
        if (auto* l = d_->find<QListWidget>(id)) l->clear();
    });
}

void QtWindow::listAdd(int id, const std::string& text) {
    d_->gate.run([this, id, text] {
        if (auto* l = d_->find<QListWidget>(id)) l->addItem(toQString(text));
    });
}

int QtWindow::listCount(int id) {
    return d_->gate.call<int>(
        [this, id] {
            auto* l = d_->find<QListWidget>(id);
            return l ? l->count() : 0;
        },
        0);
}

std::string QtWindow::listText(int id, int index) {
    return d_->gate.call<std::string>(
        [this, id, index] {
            auto* l = d_->find<QListWidget>(id);
            if (!l || index < 0 || index >= l->count()) return std::string();
            return toUtf8(l->item(index)->text());
        },
        std::string());
}

void QtWindow::setMenu(const std::vector<MenuPopup>& menu) {
    d_->gate.run([this, menu] {
        Impl& d = *d_;
        QMenuBar* bar = d.frame->menuBar();
        bar->setStyleSheet(menuBarStyle());
        bar->clear();
        if (d.rightBar) d.rightBar->clear();
        d.actions.clear();
        d.checked.clear();
        for (const MenuPopup& popup : menu) {
            QMenuBar* target = bar;
            if (popup.rightJustified) {
                if (!d.rightBar) {
                    d.rightBar = new QMenuBar(bar);
                    d.rightBar->setStyleSheet(menuBarStyle());
                    bar->setCornerWidget(d.rightBar, Qt::TopRightCorner);
                }
                target = d.rightBar;
            }
            QMenu* m = target->addMenu(toQString(popup.text));
            for (const MenuItem& item : popup.items) {
                if (item.id == 0) {
                    m->addSeparator();
                    continue;
                }
                QAction* a = m->addAction(toQString(item.text));
                const int id = item.id;
                QObject::connect(a, &QAction::triggered, d.receiver.get(), [dp = &d, a, id] {
                    // Checks change only when the program says so.
                    if (a->isCheckable()) a->setChecked(dp->checked[id]);
                    dp->command(id, 0);
                });
                if (!d.actions.count(id)) d.actions[id] = a;
            }
        }
        if (d.rightBar) d.rightBar->setVisible(!d.rightBar->actions().isEmpty());
        applyOuterSize();
    });
}

void QtWindow::setAccelerators(const std::vector<Accelerator>& table) {
    d_->gate.run([this, table] {
        Impl& d = *d_;
        for (QShortcut* s : d.shortcuts) delete s;
        d.shortcuts.clear();
        d.acceleratorKeys.clear();
        for (const Accelerator& a : table) {
            QKeySequence key = keyOf(a);
            if (key.isEmpty()) continue;
            auto* s = new QShortcut(key, d.frame);
            s->setContext(Qt::WindowShortcut);
            const int command = a.command;
            QObject::connect(s, &QShortcut::activated, d.receiver.get(), [dp = &d, command] {
                if (acceleratorSends(dp->actions, command)) dp->command(command, 1);
            });
            d.shortcuts.push_back(s);
            d.acceleratorKeys.push_back(key);
        }
    });
}

void QtWindow::enableMenuItem(int id, bool enabled) {
    d_->gate.run([this, id, enabled] {
        auto it = d_->actions.find(id);
        if (it != d_->actions.end()) it->second->setEnabled(enabled);
    });
}

bool QtWindow::isMenuItemEnabled(int id) {
    return d_->gate.call<bool>(
        [this, id] {
            auto it = d_->actions.find(id);
            return it != d_->actions.end() && it->second->isEnabled();
        },
        false);
}

void QtWindow::checkMenuItem(int id, bool on) {
    d_->gate.run([this, id, on] {
        auto it = d_->actions.find(id);
        if (it == d_->actions.end()) return;
        d_->checked[id] = on;
        // Unchecked items show no box at all, as on the platform.
        it->second->setCheckable(on);
        it->second->setChecked(on);
    });
}

bool QtWindow::isMenuItemChecked(int id) {
    return d_->gate.call<bool>(
        [this, id] {
            auto it = d_->checked.find(id);
            return it != d_->checked.end() && it->second;
        },
        false);
}

void QtWindow::invalidate(const Rect* r, bool erase) {
    std::optional<Rect> rect;
    if (r) rect = *r;
    d_->gate.run([this, rect, erase] {
        Impl& d = *d_;
        QRect area = d.image.rect();
        if (rect) area &= QRect(rect->left, rect->top, rect->width(), rect->height());
        if (area.isEmpty()) return;
        d.dirty += area;
        if (erase) d.erase += area;
        d.client->update(area);
    });
}

void QtWindow::updateWindow() {
    d_->gate.run([this] {
        QRegion pending = d_->dirty;
        d_->servePaint();
        if (!pending.isEmpty()) d_->show(pending);
    });
}

void QtWindow::processPendingEvents() {
    d_->gate.run([this] {
        ++d_->pumping;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        --d_->pumping;
    });
}

std::unique_ptr<Canvas> QtWindow::immediateCanvas() {
    if (d_->gate.onWindowThread()) return std::make_unique<ImmediateCanvas>(*d_);
    return std::make_unique<ForwardingCanvas>(*d_);
}

void QtWindow::setCursor(CursorKind cursor) {
    d_->gate.run([this, cursor] {
        Qt::CursorShape shape = cursor == CursorKind::Wait   ? Qt::WaitCursor
                                : cursor == CursorKind::Hand ? Qt::PointingHandCursor
                                                             : Qt::ArrowCursor;
        d_->client->setCursor(shape);
        d_->cursorChosen = true;
    });
}

bool QtWindow::setTimer(int id, int milliseconds) {
    return d_->gate.call<bool>(
        [this, id, milliseconds] {
            Impl& d = *d_;
            if (d.life == Life::Destroyed) return false;
            QTimer*& t = d.timers[id];
            if (!t) {
                t = new QTimer(d.receiver.get());
                QObject::connect(t, &QTimer::timeout, d.receiver.get(), [dp = &d, id] {
                    if (dp->live()) dp->events->onTimer(id);
                });
            }
            t->start(std::max(10, milliseconds));  // the platform's shortest period
            return true;
        },
        false);
}

void QtWindow::killTimer(int id) {
    d_->gate.run([this, id] {
        auto it = d_->timers.find(id);
        if (it != d_->timers.end()) it->second->stop();  // kept: it may be the one firing now
    });
}

int QtWindow::messageBox(const std::string& text, const std::string& caption, unsigned type, bool ownerless) {
    return d_->gate.call<int>(
        [this, text, caption, type, ownerless] {
            if (d_->sessionEnding) return safeAnswer(type);
            QWidget* owner = (ownerless || !d_->frame || !d_->frame->isVisible()) ? nullptr : d_->frame.data();
            const int answer = d_->modal([&] { return showMessageBox(owner, text, caption, type); });
            return d_->sessionEnding ? safeAnswer(type) : answer;
        },
        safeAnswer(type));
}

int QtWindow::runDialog(const DialogTemplate& dialog, DialogProc& proc) {
    return d_->gate.call<int>(
        [this, dialog, &proc] {
            if (d_->sessionEnding) return IDCANCEL;
            const int result = d_->modal([&] { return runTemplateDialog(d_->frame, dialog, proc); });
            return d_->sessionEnding ? IDCANCEL : result;
        },
        -1);
}

// Either common file dialog, on the window's thread; nothing is chosen once the session ends.
bool QtWindow::Impl::fileDialog(FileDialogParams& params, bool save) {
    auto chosen = gate.call<std::optional<FileDialogParams>>(
        [this, params, save]() mutable -> std::optional<FileDialogParams> {
            if (sessionEnding || !modal([&] { return runFileDialog(frame, params, save); }) || sessionEnding)
                return std::nullopt;
            return params;
        },
        std::nullopt);
    if (!chosen) return false;
    params = *chosen;
    return true;
}

bool QtWindow::saveFileDialog(FileDialogParams& params) { return d_->fileDialog(params, true); }

bool QtWindow::openFileDialog(FileDialogParams& params) { return d_->fileDialog(params, false); }

void QtWindow::sendCommand(int id) {
    d_->gate.run([this, id] { d_->command(id, 0); });
}

bool QtWindow::runOnWindowThread(std::function<void()> fn) { return d_->gate.run(std::move(fn)); }

void QtWindow::postToWindowThread(std::function<void()> fn) { d_->gate.post(std::move(fn)); }

void QtWindow::postMciNotify(uint32_t flags, uint32_t deviceId) {
    Impl* d = d_.get();
    d_->gate.post([d, flags, deviceId] {
        if (d->live()) d->events->onMciNotify(flags, deviceId);
    });
}

void QtWindow::destroy() {
    d_->gate.run([this] { d_->destroy(); });
}

void QtWindow::endSession() { d_->endSession(); }

void QtWindow::quit(int exitCode) {
    d_->gate.run([this, exitCode] {
        d_->quitCode = exitCode;
        if (d_->loop) d_->loop->exit(exitCode);
    });
}

void QtWindow::setDisabledClickAction(int id, std::function<void()> action) {
    d_->gate.run([this, id, action] { d_->disabledClickActions[id] = action; });
}

QWidget* QtWindow::widget() const { return d_->frame; }
QWidget* QtWindow::clientArea() const { return d_->client; }
QWidget* QtWindow::control(int id) const { return d_->find<QWidget>(id); }
QMenuBar* QtWindow::menuBar() const { return d_->frame->menuBar(); }
QMenuBar* QtWindow::rightMenuBar() const { return d_->rightBar; }
QAction* QtWindow::menuAction(int id) const {
    auto it = d_->actions.find(id);
    return it == d_->actions.end() ? nullptr : it->second;
}

bool QtWindow::grabToPng(const std::string& path) {
    d_->servePaint();
    return d_->frame->grab().save(toQString(path), "PNG");
}

}  // namespace wl

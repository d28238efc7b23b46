#include "adapters/qt/QtDialogHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <map>
#include <vector>

#include "adapters/qt/QtCanvas.h"
#include "adapters/qt/QtText.h"

namespace wl {

namespace {

// Static texts show "&x" as an underlined x on the platform; a plain label shows the letter.
QString withoutMnemonic(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

class TemplateDialog : public QDialog, public Dialog {
public:
    TemplateDialog(QWidget* owner, const DialogTemplate& tpl, DialogProc& proc)
        : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                             Qt::MSWindowsFixedSizeDialogHint),
          proc_(proc) {
        setWindowTitle(toQString(tpl.caption));
        setWindowModality(Qt::ApplicationModal);
        setFont(dialogFont());
        units_ = dialogUnits(font());
        setFixedSize(dialogRect(Rect{0, 0, tpl.width, tpl.height}, units_).size());
        build(tpl);
    }

    int run() {
        bool focusDefault = proc_.onInit(*this);
        if (ended_) return result_;
        if (focusDefault) {
            for (QWidget* w : tabStops_)
                if (w->isEnabled()) {
                    w->setFocus(Qt::OtherFocusReason);
                    break;
                }
        }
        running_ = true;
        int r = exec();
        running_ = false;
        return ended_ ? result_ : r;
    }

    // Dialog
    void end(int result) override {
        if (ended_) return;
        ended_ = true;
        result_ = result;
        if (running_) done(result);
    }
    bool isChecked(int id) override {
        auto* b = find<QAbstractButton>(id);
        return b && b->isChecked();
    }
    void setChecked(int id, bool checked) override {
        if (auto* b = find<QAbstractButton>(id)) b->setChecked(checked);
    }
    std::string text(int id, size_t maxBytes) override {
        QWidget* w = find<QWidget>(id);
        QString t;
        if (auto* e = qobject_cast<QLineEdit*>(w)) t = e->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(w)) t = b->text();
        else if (auto* l = qobject_cast<QLabel*>(w)) t = l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w)) t = g->title();
        return toUtf8(t, maxBytes);
    }
    void setText(int id, const std::string& text) override {
        QWidget* w = find<QWidget>(id);
        QString t = toQString(text);
        if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(t);
        else if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(t);
        else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(withoutMnemonic(t));
        else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(t);
    }
    void enable(int id, bool enabled) override {
        if (QWidget* w = find<QWidget>(id)) w->setEnabled(enabled);
    }
    void setFocus(int id) override {
        if (QWidget* w = find<QWidget>(id)) w->setFocus(Qt::OtherFocusReason);
    }
    int listAdd(int id, const std::string& text) override {
        auto* l = list(id);
        if (!l) return -1;
        Quiet q(this);
        QString t = toQString(text);
        int at = l->count();
        if (sorted_.count(l)) {
            // After any equal items, as a sorted platform list inserts.
            at = 0;
            while (at < l->count() && QString::compare(l->item(at)->text(), t, Qt::CaseInsensitive) <= 0) ++at;
        }
        l->insertItem(at, t);
        return at;
    }
    void listClear(int id) override {
        if (auto* l = list(id)) {
            Quiet q(this);
            l->clear();
        }
    }
    int listCount(int id) override {
        auto* l = list(id);
        return l ? l->count() : 0;
    }
    std::string listText(int id, int index) override {
        auto* l = list(id);
        if (!l || index < 0 || index >= l->count()) return {};
        return toUtf8(l->item(index)->text());
    }
    void listDelete(int id, int index) override {
        auto* l = list(id);
        if (!l || index < 0 || index >= l->count()) return;
        Quiet q(this);
        delete l->takeItem(index);
    }
    int listCurSel(int id) override {
        auto* l = list(id);
        if (!l) return -1;
        int row = l->currentRow();
        if (l->selectionMode() == QAbstractItemView::SingleSelection)
            return (row >= 0 && l->item(row)->isSelected()) ? row : -1;
        return row;  // the item with the focus rectangle, as in a multiple-selection list
    }
    void listSetCurSel(int id, int index) override {
        auto* l = list(id);
        if (!l) return;
        Quiet q(this);
        if (index < 0 || index >= l->count()) {
            l->clearSelection();
            return;
        }
        if (l->selectionMode() == QAbstractItemView::SingleSelection)
            l->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        else
            l->setCurrentRow(index, QItemSelectionModel::NoUpdate);
    }
    std::vector<int> listSelectedItems(int id) override {
        std::vector<int> out;
        auto* l = list(id);
        if (!l) return out;
        for (int i = 0; i < l->count(); ++i)
            if (l->item(i)->isSelected()) out.push_back(i);
        return out;
    }
    void listSetSel(int id, int index, bool selected) override {
        auto* l = list(id);
        if (!l) return;
        Quiet q(this);
        if (index == -1) {  // every item
            for (int i = 0; i < l->count(); ++i) l->item(i)->setSelected(selected);
        } else if (index >= 0 && index < l->count()) {
            l->item(index)->setSelected(selected);
        }
    }

    // Qt list widgets already scroll sideways as far as their widest item needs.
    void listSetHorizontalExtent(int, int) override {}
    int textWidth(const std::string& text) override { return QFontMetrics(font()).horizontalAdvance(toQString(text)); }
    // Scaled into the control's box whole, keeping its shape; what does not decode shows nothing.
    void setImage(int id, const std::string& bytes) override {
        auto* l = find<QLabel>(id);
        if (!l || !images_.count(l)) return;
        QImage image;
        if (bytes.empty() || !image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), qsizetype(bytes.size()))) {
            l->clear();
            return;
        }
        const qreal ratio = devicePixelRatioF();
        QPixmap p = QPixmap::fromImage(image.scaled(l->size() * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        p.setDevicePixelRatio(ratio);
        l->setPixmap(p);
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            if (proc_.onEnterKey(*this)) return;
            // A focused push button is the default one; otherwise the template's default, else OK.
            int id = defaultId_;
            auto focused = idOf_.find(focusWidget());
            if (focused != idOf_.end() && qobject_cast<QPushButton*>(focusWidget())) id = focused->second;
            notify(id, BN_CLICKED);
            return;
        }
        if (e->key() == Qt::Key_Escape) {
            notify(IDCANCEL, BN_CLICKED);
            return;
        }
        QDialog::keyPressEvent(e);
    }
    // The close box: the procedure decides, as with Cancel.
    void reject() override { notify(IDCANCEL, BN_CLICKED); }

private:
    struct Quiet {
        explicit Quiet(TemplateDialog* d) : d(d) { ++d->quiet_; }
        ~Quiet() { --d->quiet_; }
        TemplateDialog* d;
    };

    template <class T>
    T* find(int id) {
        auto it = byId_.find(id);
        return it == byId_.end() ? nullptr : qobject_cast<T*>(it->second);
    }
    QListWidget* list(int id) { return find<QListWidget>(id); }

    void notify(int id, int code) {
        if (ended_ || quiet_ > 0) return;
        proc_.onCommand(*this, id, code);
    }

    void build(const DialogTemplate& tpl) {
        int group = 0;
        std::vector<QGroupBox*> frames;
        for (const DialogControl& c : tpl.controls) {
            if (c.group) ++group;
            QString text = toQString(c.text);
            QWidget* w = nullptr;
            const int id = c.id;
            switch (c.kind) {
            case ControlKind::Static: {
                auto* l = new QLabel(withoutMnemonic(text), this);
                l->setWordWrap(true);
                l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                w = l;
                break;
            }
            case ControlKind::Button:
            case ControlKind::DefPushButton: {
                auto* b = new QPushButton(text, this);
                b->setAutoDefault(false);
                if (c.kind == ControlKind::DefPushButton) {
                    b->setDefault(true);
                    defaultId_ = id;
                }
                connect(b, &QPushButton::clicked, this, [this, id] { notify(id, BN_CLICKED); });
                w = b;
                break;
            }
            case ControlKind::GroupBox: {
                auto* g = new QGroupBox(text, this);
                frames.push_back(g);
                w = g;
                break;
            }
            case ControlKind::AutoRadio: {
                auto* r = new QRadioButton(text, this);
                r->setAutoExclusive(false);  // groups follow the template, not the parent
                radioGroup_[r] = group;
                connect(r, &QRadioButton::clicked, this, [this, r, id] {
                    // A click always checks the button and clears the rest of its group.
                    r->setChecked(true);
                    for (auto& [other, g] : radioGroup_)
                        if (other != r && g == radioGroup_[r]) other->setChecked(false);
                    notify(id, BN_CLICKED);
                });
                w = r;
                break;
            }
            case ControlKind::AutoCheckBox: {
                auto* b = new QCheckBox(text, this);
                connect(b, &QCheckBox::clicked, this, [this, id] { notify(id, BN_CLICKED); });
                w = b;
                break;
            }
            case ControlKind::ListBox: {
                auto* l = new QListWidget(this);
                l->setSelectionMode(c.multiSelect ? QAbstractItemView::ExtendedSelection
                                                  : QAbstractItemView::SingleSelection);
                if (c.sorted) sorted_.insert({l, true});
                connect(l, &QListWidget::itemSelectionChanged, this, [this, id] { notify(id, LBN_SELCHANGE); });
                connect(l, &QListWidget::itemDoubleClicked, this, [this, id] { notify(id, LBN_DBLCLK); });
                w = l;
                break;
            }
            case ControlKind::Edit: {
                w = new QLineEdit(this);
                break;
            }
            case ControlKind::Image: {
                auto* l = new QLabel(this);
                l->setAlignment(Qt::AlignRight | Qt::AlignTop);
                images_.insert({l, true});
                w = l;
                break;
            }
            }
            QRect g = dialogRect(c.rect, units_);
            // Check marks take more room here than on the platform: let a label run on to the
            // right rather than lose its end, within the dialog.
            if (c.kind == ControlKind::AutoRadio || c.kind == ControlKind::AutoCheckBox)
                g.setWidth(std::clamp(w->sizeHint().width(), g.width(), std::max(g.width(), width() - g.left())));
            // A one-line label wider than its box in this face would lose its end: a smaller
            // size of the same face shows it whole.
            if (c.kind == ControlKind::Static && !text.isEmpty()) {
                QFont f = w->font();
                const QString shown = withoutMnemonic(text);
                while (QFontMetrics(f).horizontalAdvance(shown) > g.width() &&
                       QFontMetrics(f).height() * 2 > g.height() && f.pixelSize() > 9)
                    f.setPixelSize(f.pixelSize() - 1);
                w->setFont(f);
            }
            w->setGeometry(g);
            bool focusable = c.kind != ControlKind::Static && c.kind != ControlKind::GroupBox && c.kind != ControlKind::Image;
            w->setFocusPolicy(!focusable ? Qt::NoFocus : (c.tabStop ? Qt::StrongFocus : Qt::ClickFocus));
            if (focusable && c.tabStop) {
                if (!tabStops_.empty()) QWidget::setTabOrder(tabStops_.back(), w);
                tabStops_.push_back(w);
            }
            w->setProperty(kControlIdProperty, id);
            if (id != -1 && !byId_.count(id)) byId_[id] = w;
            idOf_[w] = id;
        }
        for (QGroupBox* g : frames) g->lower();  // frames stay behind the buttons they hold
    }

    DialogProc& proc_;
    DialogUnits units_;
    std::map<int, QWidget*> byId_;
    std::map<QWidget*, int> idOf_;
    std::map<QRadioButton*, int> radioGroup_;
    std::map<QListWidget*, bool> sorted_;
    std::map<QLabel*, bool> images_;
    std::vector<QWidget*> tabStops_;
    int defaultId_ = IDOK;
    int quiet_ = 0;
    bool ended_ = false;
    bool running_ = false;
    int result_ = 0;
};

}  // namespace

QFont dialogFont() { return dialogTemplateFont(); }

DialogUnits dialogUnits(const QFont& font) {
    QFontMetrics m(font);
    int letters = m.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogUnits{(letters / 26 + 1) / 2, m.ascent() + m.descent()};
}

QRect dialogRect(const Rect& r, DialogUnits units) {
    auto px = [&](int du) { return du * units.x / 4; };
    auto py = [&](int du) { return du * units.y / 8; };
    return QRect(px(r.left), py(r.top), px(r.right) - px(r.left), py(r.bottom) - py(r.top));
}

int runTemplateDialog(QWidget* owner, const DialogTemplate& dialog, DialogProc& proc) {
    TemplateDialog dlg(owner, dialog, proc);
    return dlg.run();
}

}  // namespace wl

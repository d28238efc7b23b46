#pragma once
// Driving the program's own dialogs on the offscreen Qt window as the user does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

#include "adapters/qt/QtDialogHost.h"

namespace wl::e2e {

// Acts on the next modal dialog once its nested loop runs.
inline void whenDialog(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || qobject_cast<QMessageBox*>(w)) return;
        poll->stop();
        poll->deleteLater();
        act(w);
    });
    poll->start(10);
}

template <class T>
T* control(QWidget* dlg, int id) {
    for (QWidget* w : dlg->findChildren<QWidget*>())
        if (w->property(kControlIdProperty).isValid() && w->property(kControlIdProperty).toInt() == id)
            return qobject_cast<T*>(w);
    return nullptr;
}

// A double-click on the item with this text, as the user makes it.
inline void doubleClick(QListWidget* list, const QString& text) {
    auto items = list->findItems(text, Qt::MatchExactly);
    ASSERT_FALSE(items.empty()) << text.toStdString();
    const QRect r = list->visualItemRect(items.front());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

}  // namespace wl::e2e

#pragma once

#include <QAccessibleWidget>

class QLabel;

// A status line a screen reader speaks wherever the focus is: it presents itself as a
// notification, hidden while it has nothing to say, and each text it is given comes up as
// the notification showing anew, which is what makes a reader announce it. A plain label
// would be read only when the user went to it.
class CStatusLineAccessible : public QAccessibleWidget {
public:
    explicit CStatusLineAccessible(QLabel* label);

    // Makes label a status line; before anything asked for the label's interface.
    static void Attach(QLabel* label);
    // Shows text in the status line, announced; an empty text hides it.
    static void Show(QLabel* label, const QString& text);

    QAccessible::Role role() const override { return QAccessible::Notification; }
    QString text(QAccessible::Text t) const override;
};

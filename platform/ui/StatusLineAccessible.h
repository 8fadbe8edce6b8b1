#pragma once

#include <QAccessibleWidget>

class QLabel;

// A status line a screen reader speaks wherever the focus is: holding a text, it presents
// itself as a notification, and each text it is given comes up as a notification showing anew,
// which is what makes a reader announce it. A plain label would be read only when the user went to
// it.
class CStatusLineAccessible : public QAccessibleWidget {
public:
    explicit CStatusLineAccessible(QLabel* label);

    // Makes label a status line; before anything asked for the label's interface.
    static void Attach(QLabel* label);
    // Shows text in the status line; a text that is not empty is announced.
    static void Show(QLabel* label, const QString& text);

    // Empty, it is a plain label: a reader presenting the dialog would say "notification".
    QAccessible::Role role() const override;
    QString text(QAccessible::Text t) const override;
};

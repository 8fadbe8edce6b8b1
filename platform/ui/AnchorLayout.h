#pragma once

#include "platform/ui/DialogTemplate.h"

#include <QLayout>
#include <QList>

// Places each widget at its template rectangle, moved and grown by a share of the difference
// between the layout's current size and the template size: the resize anchors of a dialog
// template, which Qt's box and grid layouts cannot express.
class CAnchorLayout : public QLayout {
public:
    CAnchorLayout(QWidget* host, QSize baseSize);
    ~CAnchorLayout() override;

    void AddWidget(QWidget* w, const QRect& basePixels, Ui::Anchor anchor);
    // The rectangle a widget gets for the given layout size (for tests and for the frame).
    static QRect Place(const QRect& base, Ui::Anchor anchor, QSize baseSize, QSize size);

    void addItem(QLayoutItem* item) override;
    QSize sizeHint() const override { return m_baseSize; }
    QSize minimumSize() const override { return {0, 0}; }
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    void setGeometry(const QRect& rect) override;

private:
    struct Item {
        QLayoutItem* item;
        QRect base;
        Ui::Anchor anchor;
    };
    QList<Item> m_items;
    QSize m_baseSize;
};

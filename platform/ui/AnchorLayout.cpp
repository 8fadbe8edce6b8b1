#include "platform/ui/AnchorLayout.h"

#include <QWidget>
#include <QWidgetItem>

CAnchorLayout::CAnchorLayout(QWidget* host, QSize baseSize) : QLayout(host), m_baseSize(baseSize) {
    setContentsMargins(0, 0, 0, 0);
    setSizeConstraint(QLayout::SetNoConstraint);
}

CAnchorLayout::~CAnchorLayout() {
    for (const Item& i : m_items)
        delete i.item;
}

void CAnchorLayout::AddWidget(QWidget* w, const QRect& basePixels, Ui::Anchor anchor) {
    addChildWidget(w);
    m_items.append({new QWidgetItem(w), basePixels, anchor});
    invalidate();
}

QRect CAnchorLayout::Place(const QRect& base, Ui::Anchor anchor, QSize baseSize, QSize size) {
    const int dx = size.width() - baseSize.width();
    const int dy = size.height() - baseSize.height();
    return {base.x() + dx * anchor.moveX / 100, base.y() + dy * anchor.moveY / 100,
            qMax(0, base.width() + dx * anchor.growX / 100),
            qMax(0, base.height() + dy * anchor.growY / 100)};
}

void CAnchorLayout::addItem(QLayoutItem* item) {
    // Items added without a template rectangle stay where their widget is.
    QRect base = item->widget() ? item->widget()->geometry() : QRect();
    m_items.append({item, base, {}});
}

QLayoutItem* CAnchorLayout::itemAt(int index) const {
    return index >= 0 && index < m_items.size() ? m_items[index].item : nullptr;
}

QLayoutItem* CAnchorLayout::takeAt(int index) {
    if (index < 0 || index >= m_items.size())
        return nullptr;
    return m_items.takeAt(index).item;
}

void CAnchorLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    for (const Item& i : m_items) {
        // Hidden widgets keep their place too, so that showing one needs no new layout pass.
        if (QWidget* w = i.item->widget())
            w->setGeometry(
                Place(i.base, i.anchor, m_baseSize, rect.size()).translated(rect.topLeft()));
    }
}

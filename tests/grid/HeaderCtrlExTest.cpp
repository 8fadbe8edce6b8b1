#include "grid/HeaderCtrlEx.h"
#include "grid/GridTypes.h"
#include "grid/ListCtrlBase.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

using namespace Pelmo;

namespace {

constexpr unsigned kVisible = 0x10000000; // WS_VISIBLE

// ---- Column keys -------------------------------------------------------------------------

class ColumnKeys : public ::testing::Test {
protected:
    CHeaderData* Insert(int nIndex, int* pKey) {
        auto* data = new CHeaderData;
        *pKey = header.InsertColumnKey(nIndex, data);
        return data;
    }
    CHeaderCtrlEx header;
};

TEST_F(ColumnKeys, KeysStayWithTheirColumnsWhenAColumnIsInsertedBeforeThem) {
    int k1, k2, k3, k4;
    CHeaderData* d1 = Insert(0, &k1);
    Insert(1, &k2);
    Insert(2, &k3);
    EXPECT_EQ(1, k1);
    EXPECT_EQ(2, k2);
    EXPECT_EQ(3, k3);

    CHeaderData* d4 = Insert(0, &k4);
    EXPECT_EQ(4, k4);
    EXPECT_EQ(0, header.GetColumnIndex(4));
    EXPECT_EQ(1, header.GetColumnIndex(1));
    EXPECT_EQ(2, header.GetColumnIndex(2));
    EXPECT_EQ(3, header.GetColumnIndex(3));
    EXPECT_EQ(4, header.GetColumnKey(0));
    EXPECT_EQ(1, header.GetColumnKey(1));
    EXPECT_EQ(d4, header.GetHeaderData(header.GetColumnKey(0)));
    EXPECT_EQ(d1, header.GetHeaderData(header.GetColumnKey(1)));
}

TEST_F(ColumnKeys, RemovingAColumnClosesTheGapAndFreesItsKeyForReuse) {
    int k;
    for (int i = 0; i < 4; ++i) {
        CHeaderData* data = Insert(i, &k);
        // The data goes with its column, choices included (a sanitizer build sees a leak).
        data->AddChoice(QStringLiteral("a|A"));
    }
    header.RemoveColumnKey(1); // key 2
    EXPECT_EQ(-1, header.GetColumnIndex(2));
    EXPECT_EQ(nullptr, header.GetHeaderData(2));
    EXPECT_EQ(1, header.GetColumnKey(0));
    EXPECT_EQ(3, header.GetColumnKey(1));
    EXPECT_EQ(4, header.GetColumnKey(2));
    EXPECT_EQ(0, header.GetColumnKey(3));

    Insert(3, &k);
    EXPECT_EQ(2, k); // the smallest free key, not 5
    EXPECT_EQ(3, header.GetColumnIndex(2));
}

TEST_F(ColumnKeys, InsertingPastTheLastColumnMovesNothing) {
    int k;
    Insert(0, &k);
    Insert(1, &k);
    Insert(5, &k);
    EXPECT_EQ(3, k);
    EXPECT_EQ(0, header.GetColumnIndex(1));
    EXPECT_EQ(1, header.GetColumnIndex(2));
    EXPECT_EQ(5, header.GetColumnIndex(3));
}

TEST_F(ColumnKeys, LookupsOfAbsentColumnsAndRemovingNothingChangeNothing) {
    EXPECT_EQ(0, header.GetColumnKey(0));
    EXPECT_EQ(-1, header.GetColumnIndex(1));
    EXPECT_EQ(nullptr, header.GetHeaderData(0));
    int k;
    Insert(0, &k);
    header.RemoveColumnKey(3);
    header.RemoveColumnKey(-1);
    EXPECT_EQ(1, header.GetColumnKey(0));
    EXPECT_EQ(0, header.GetColumnIndex(1));
    EXPECT_NE(nullptr, header.GetHeaderData(1));
}

// ---- The header on a real grid ---------------------------------------------------------

bool IsInk(QRgb c) {
    return qGray(c) < 110;
}

// Extent of dark (text) pixels inside a rectangle of an image; null when there are none.
QRect InkBounds(const QImage& img, const QRect& area) {
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (IsInk(img.pixel(x, y)))
                ink = ink.united(QRect(x, y, 1, 1));
        }
    }
    return ink;
}

class HeaderOnGrid : public ::testing::Test {
protected:
    void SetUp() override {
        parent.resize(500, 300);
        grid = new CListCtrlBase(&parent);
        grid->Create(kVisible, QRect(10, 10, 460, 260), &parent, 1010);
        grid->SetNotifyHandler([this](const GRIDNOTIFY& n) { notes.push_back(n); });
        header = grid->GetHeaderCtrlEx();
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    }
    void AddColumns(const QStringList& headings, int nFormat = LVCFMT_LEFT) {
        for (const QString& h : headings)
            grid->InsertColumn(grid->GetColumnCount(), h, false, nFormat, 100);
    }
    QImage Render() const { return header->grab().toImage(); }
    QRect Section(int nCol) const {
        return QRect(header->sectionViewportPosition(nCol), 0, header->sectionSize(nCol),
                     header->height());
    }
    void RightClick(const QPoint& press, const QPoint& release) {
        QWidget* vp = header->viewport();
        QMouseEvent down(QEvent::MouseButtonPress, press, vp->mapToGlobal(press), Qt::RightButton,
                         Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &down);
        QMouseEvent up(QEvent::MouseButtonRelease, release, vp->mapToGlobal(release),
                       Qt::RightButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &up);
    }

    QWidget parent;
    CListCtrlBase* grid = nullptr;
    CHeaderCtrlEx* header = nullptr;
    std::vector<GRIDNOTIFY> notes;
};

TEST_F(HeaderOnGrid, OnlyTheCurrentColumnIsTintedAndTheTintFollowsIt) {
    AddColumns({"A", "B", "C"});
    grid->InsertItem(0, "r0");
    grid->InsertItem(1, "r1");
    const QColor tint = ToQColor(CLR_HEADER_TINT);

    grid->SetCurrentCell(0, 1, false, false);
    QImage img = Render();
    // Top left inside each section: away from the centred text and the frame lines.
    auto probe = [&](int nCol) { return QColor(img.pixel(Section(nCol).left() + 2, 3)); };
    EXPECT_EQ(tint, probe(1));
    EXPECT_NE(tint, probe(0));
    EXPECT_NE(tint, probe(2));

    grid->SetCurrentCell(1, 2, false, false);
    img = Render();
    EXPECT_NE(tint, probe(1));
    EXPECT_EQ(tint, probe(2));
}

TEST_F(HeaderOnGrid, HeightFollowsTextLinesAndAFixedHeightSurvivesAFontChange) {
    AddColumns({"A"});
    const int nLine = QFontMetrics(header->font()).height();
    grid->SetHeaderLines(2);
    EXPECT_EQ(2 * nLine + 10, header->height());
    int nHeight = -1;
    EXPECT_EQ(2, grid->GetHeaderLines(&nHeight));
    EXPECT_EQ(2 * nLine + 10, nHeight);

    grid->SetHeaderLines(0);
    EXPECT_EQ(0, header->height());

    grid->SetHeaderHeight(27);
    EXPECT_EQ(27, header->height());
    QFont big = header->font();
    big.setPixelSize(40);
    grid->SetHeaderFont(big);
    QApplication::processEvents();
    EXPECT_EQ(27, header->height());
    EXPECT_EQ(-1, grid->GetHeaderLines(&nHeight));
    EXPECT_EQ(27, nHeight);
}

TEST_F(HeaderOnGrid, ABrokenHeadingShowsBothLinesCentredAsABlock) {
    AddColumns({"AB\nCD", "AB"});
    grid->SetHeaderLines(3);
    const QImage img = Render();
    const int nLine = QFontMetrics(header->font()).height();
    const int nMiddle = header->height() / 2;

    const QRect two = InkBounds(img, Section(0).adjusted(1, 0, -2, 0));
    const QRect one = InkBounds(img, Section(1).adjusted(1, 0, -2, 0));
    ASSERT_FALSE(two.isNull());
    ASSERT_FALSE(one.isNull());
    // Two lines of text reach further than one line can.
    EXPECT_GT(two.height(), nLine);
    EXPECT_LE(one.height(), nLine);
    // Both blocks sit around the middle of the header.
    EXPECT_NEAR(nMiddle, two.center().y(), 3);
    EXPECT_NEAR(nMiddle, one.center().y(), 3);
}

TEST_F(HeaderOnGrid, TextFollowsTheColumnFormatUnlessTheHeaderAlignmentOverrides) {
    AddColumns({"X"}, LVCFMT_LEFT);
    AddColumns({"X"}, LVCFMT_RIGHT);
    AddColumns({"X"}, LVCFMT_CENTER);
    auto inkIn = [&](const QImage& img, int nCol) {
        const QRect s = Section(nCol);
        return InkBounds(img, s.adjusted(1, 0, -2, 0)).translated(-s.left(), 0);
    };
    QImage img = Render();
    const QRect left = inkIn(img, 0);
    const QRect right = inkIn(img, 1);
    const QRect centre = inkIn(img, 2);
    ASSERT_FALSE(left.isNull());
    ASSERT_FALSE(right.isNull());
    ASSERT_FALSE(centre.isNull());
    EXPECT_LT(left.right(), 30);
    EXPECT_GT(right.left(), 70);
    EXPECT_NEAR(50, centre.center().x(), 4);
    // Indents: 5 pixels on the left, 6 on the right.
    EXPECT_GE(left.left(), 5);
    EXPECT_LE(right.right(), 100 - 6);

    grid->SetHeaderAlign(1);
    img = Render();
    EXPECT_LT(inkIn(img, 1).right(), 30);
    grid->SetHeaderAlign(3);
    img = Render();
    EXPECT_GT(inkIn(img, 0).left(), 70);
    EXPECT_GT(inkIn(img, 2).left(), 70);
}

TEST_F(HeaderOnGrid, RightClickReportsTheColumnOnlyWhenReleasedOverTheSameColumn) {
    AddColumns({"A", "B"});
    const QPoint a = Section(0).center();
    const QPoint b = Section(1).center();

    RightClick(a, b);
    EXPECT_TRUE(notes.empty());

    RightClick(b, b);
    ASSERT_EQ(1u, notes.size());
    EXPECT_EQ(unsigned(GN_RCLICK), notes[0].code);
    EXPECT_EQ(GE_RCLICK_HEADER, notes[0].nEvent);
    EXPECT_EQ(-1, notes[0].nRow);
    EXPECT_EQ(1, notes[0].nCol);

    // Beyond the last column there is no column to report.
    const QPoint empty(Section(1).right() + 20, b.y());
    RightClick(empty, empty);
    EXPECT_EQ(1u, notes.size());
}

} // namespace

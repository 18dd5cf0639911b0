// The effect chooser: its layout by width, what it announces, its icons
// from the default skin and the translated labels.

#include "EditorTestApp.h"
#include "Editor/showefcbtndelegate.h"
#include "Editor/veffectoptions.h"

#include <QFontMetrics>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

const char* const kLabels[] = {"None",   "Simple Gauss Blur", "Simple Laplacian Sharpen", "Gray", "Flip Color",
                               "Invert", "Aged Film"};

std::unique_ptr<VEffectOptions> Chooser(int width)
{
    EditorTest::UseBuildSkin();
    auto chooser = std::make_unique<VEffectOptions>();
    chooser->resize(width, 240);
    chooser->show();
    QApplication::processEvents();
    return chooser;
}

QString Label(VEffectOptions* c, int row, int column)
{
    QTableWidgetItem* cell = c->item(row, column);
    return cell ? cell->data(Qt::UserRole).toString() : QString("<no cell>");
}

void Click(VEffectOptions* c, const QString& label)
{
    for (int r = 0; r < c->rowCount(); ++r)
        for (int col = 0; col < c->columnCount(); ++col)
            if (Label(c, r, col) == label) {
                QTest::mouseClick(c->viewport(), Qt::LeftButton, {}, c->visualItemRect(c->item(r, col)).center());
                return;
            }
    ADD_FAILURE() << "no cell " << label.toStdString();
}

} // namespace

TEST(VEffectOptions, LayoutByWidth)
{
    const struct
    {
        int width;
        int columns;
        int rows;
    } cases[] = {{250, 3, 3}, {400, 5, 2}, {700, 8, 1}, {560, 7, 1}, {50, 1, 7}, {80, 1, 7}, {160, 2, 4}};
    for (const auto& c : cases) {
        auto chooser = Chooser(c.width);
        EXPECT_EQ(chooser->columnCount(), c.columns) << c.width;
        EXPECT_EQ(chooser->rowCount(), c.rows) << c.width;
        for (int i = 0; i < c.columns * c.rows; ++i) {
            QTableWidgetItem* cell = chooser->item(i / c.columns, i % c.columns);
            ASSERT_NE(cell, nullptr);
            if (i < 7) {
                EXPECT_EQ(cell->data(Qt::UserRole).toString(), kLabels[i]) << c.width << " cell " << i;
                EXPECT_EQ(cell->data(VEffectOptions::EffectTypeRole).toInt(), i);
                EXPECT_EQ(cell->flags(), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
                EXPECT_EQ(cell->toolTip(), kLabels[i]);
            } else {
                EXPECT_FALSE(cell->data(Qt::UserRole).isValid());
                EXPECT_EQ(cell->flags(), Qt::NoItemFlags);
            }
        }
    }
}

TEST(VEffectOptions, ReflowKeepsTheSelection)
{
    auto chooser = Chooser(250);
    chooser->SetCurEffect(EffectInvert);
    QTableWidgetItem* before = chooser->item(1, 2);
    ASSERT_TRUE(before->isSelected());
    chooser->resize(300, 240);
    QApplication::processEvents();
    EXPECT_EQ(chooser->item(1, 2), before) << "300 still holds 3 columns: nothing rebuilt";
    chooser->resize(320, 240);
    QApplication::processEvents();
    ASSERT_EQ(chooser->columnCount(), 4);
    ASSERT_EQ(chooser->selectedItems().size(), 1);
    EXPECT_EQ(chooser->selectedItems().first()->data(Qt::UserRole).toString(), "Invert");
    EXPECT_EQ(Label(chooser.get(), 1, 1), "Invert");
}

// An item width of 0 or less (a skin can set one) is refused; a width under
// one item keeps one column.
TEST(VEffectOptions, ItemWidthFromTheSkin)
{
    auto chooser = Chooser(400);
    chooser->setProperty("itemWidth", 0);
    EXPECT_EQ(chooser->getItemWidth(), 80);
    chooser->setProperty("itemWidth", -5);
    EXPECT_EQ(chooser->getItemWidth(), 80);
    chooser->setProperty("itemWidth", 100);
    EXPECT_EQ(chooser->columnCount(), 4);
    chooser->setStyleSheet("VEffectOptions { qproperty-itemWidth: 0; }");
    chooser->ensurePolished();
    QApplication::processEvents();
    chooser->resize(350, 240);
    QApplication::processEvents();
    EXPECT_EQ(chooser->getItemWidth(), 100);
    EXPECT_EQ(chooser->columnCount(), 3);
}

TEST(VEffectOptions, WhatIsAnnounced)
{
    auto chooser = Chooser(700);
    chooser->SetCurEffect(EffectGray); // the host, while it does not listen
    QSignalSpy changed(chooser.get(), &VEffectOptions::signal_effectChanged);
    const struct
    {
        const char* click;
        int emitted; // -1: nothing
    } steps[] = {{"Gray", -1}, {"Invert", 5}, {"Invert", -1}, {"Gray", 3}, {"None", 0}, {"Aged Film", 6}};
    for (const auto& s : steps) {
        changed.clear();
        Click(chooser.get(), s.click);
        if (s.emitted < 0) {
            EXPECT_EQ(changed.count(), 0) << s.click;
        } else {
            ASSERT_EQ(changed.count(), 1) << s.click;
            EXPECT_EQ(changed.at(0).at(0).value<EffectType>(), EffectType(s.emitted));
        }
    }
    // A filler cell and the host's own calls.
    changed.clear();
    QTest::mouseClick(chooser->viewport(), Qt::LeftButton, {}, chooser->visualItemRect(chooser->item(0, 7)).center());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(chooser->selectedItems().first()->data(Qt::UserRole).toString(), "Aged Film");
    chooser->RedefaultEffect();
    EXPECT_EQ(changed.count(), 1);
    chooser->RedefaultEffect();
    chooser->CheckSlelected();
    EXPECT_EQ(changed.count(), 1);
    chooser->clearSelection();
    chooser->CheckSlelected();
    EXPECT_EQ(chooser->selectedItems().first()->data(Qt::UserRole).toString(), "None");
    EXPECT_EQ(changed.count(), 1);
    chooser->SetCurEffect(EffectType(42));
    EXPECT_EQ(chooser->selectedItems().first()->data(Qt::UserRole).toString(), "None");
}

TEST(VEffectOptions, SevenIconsOfTheSkinAllDifferent)
{
    auto chooser = Chooser(250);
    QList<QImage> icons;
    for (const char* label : kLabels) {
        const EffectButton entry = VEffectOptions::getEffectBtnByName(label);
        EXPECT_FALSE(entry.empty) << label;
        ASSERT_FALSE(entry.icon.isNull()) << label;
        EXPECT_EQ(entry.icon.size(), QSize(64, 48)) << label;
        for (const QImage& other : icons)
            EXPECT_NE(entry.icon.convertToFormat(QImage::Format_ARGB32), other) << label;
        icons.append(entry.icon.convertToFormat(QImage::Format_ARGB32));
    }
    EXPECT_TRUE(VEffectOptions::getEffectBtnByName("gray").empty);
    EXPECT_TRUE(VEffectOptions::getEffectBtnByName(QString()).empty);

    // The Gray icon is grey: every pixel has equal channels.
    const QImage gray = VEffectOptions::getEffectBtnByName("Gray").icon.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < gray.height(); y += 7)
        for (int x = 0; x < gray.width(); x += 5) {
            const QColor c = gray.pixelColor(x, y);
            EXPECT_LE(std::abs(c.red() - c.green()) + std::abs(c.green() - c.blue()), 2) << x << "," << y;
        }

    // A painted cell shows its icon: the cell's pixels match the icon's middle.
    QImage shot(chooser->viewport()->size(), QImage::Format_ARGB32);
    chooser->viewport()->render(&shot);
    const QRect cell = chooser->visualItemRect(chooser->item(0, 0));
    const QPoint centre(cell.left() + (cell.width() - 64) / 2 + 32, cell.top() + 2 + 24);
    EXPECT_EQ(shot.pixelColor(centre), icons.first().pixelColor(32, 24));
}

TEST(VEffectOptions, ShowsTranslatedLabelsKeyedByTheEnglishOnes)
{
    auto chooser = Chooser(250);
    class Translator : public QTranslator
    {
    public:
        QString translate(const char* context, const char* source, const char*, int) const override
        {
            if (QString(context) == "VEffectOptions" && QString(source) == "Invert")
                return QString::fromUtf8("反色");
            return QString();
        }
        bool isEmpty() const override { return false; }
    } translator;
    QCoreApplication::installTranslator(&translator);
    QApplication::processEvents();
    QTableWidgetItem* invert = chooser->item(1, 2);
    EXPECT_EQ(invert->data(Qt::UserRole).toString(), "Invert");
    EXPECT_EQ(invert->toolTip(), QString::fromUtf8("反色"));
    QSignalSpy changed(chooser.get(), &VEffectOptions::signal_effectChanged);
    chooser->SetCurEffect(EffectGray);
    Click(chooser.get(), "Invert");
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(1).at(0).value<EffectType>(), EffectInvert);
    QCoreApplication::removeTranslator(&translator);
    QApplication::processEvents();
    EXPECT_EQ(chooser->item(1, 2)->toolTip(), "Invert");
}

TEST(VEffectOptions, LabelsWrapOverTheCellAndEndInAnEllipsisOnlyWhenTheyCannotFit)
{
    EditorTest::UseBuildSkin();
    QFont font = QApplication::font();
    font.setPixelSize(10);
    const int line = QFontMetrics(font).lineSpacing();
    const int width = 88; // a cell of the default skin's width (92), less its margins
    const struct
    {
        const char* label;
        int lines; // room for so many lines
        bool whole;
    } cases[] = {
        {"Simple Gauss Blur", 2, true},
        {"Simple Laplacian Sharpen", 2, true},
        {"Laplace-Schärfen", 2, true},
        {"Farben tauschen", 2, true},
        {"拉普拉斯锐化", 2, true},
        {"Gray", 1, true},
        {"Simple Laplacian Sharpen", 1, false},
        {"An effect whose name is far too long for two lines of this cell", 2, false},
    };
    for (const auto& c : cases) {
        const QString label = QString::fromUtf8(c.label);
        const QStringList lines = ShowEfcBtnDelegate::LabelLines(label, font, width, c.lines * line + 2);
        EXPECT_LE(lines.size(), c.lines) << c.label;
        for (const QString& l : lines)
            EXPECT_LE(QFontMetrics(font).horizontalAdvance(l), width) << c.label << ": " << l.toStdString();
        const QString joined = lines.join(QString());
        QString compact = label;
        compact.remove(' ');
        if (c.whole) {
            EXPECT_EQ(compact, QString(joined).remove(' ')) << c.label;
        } else {
            ASSERT_FALSE(lines.isEmpty()) << c.label;
            EXPECT_TRUE(lines.last().endsWith(QChar(0x2026))) << c.label << ": " << joined.toStdString();
        }
    }
}

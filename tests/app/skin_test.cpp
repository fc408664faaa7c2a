// Every skin is legible: its colours, read from the sheet itself, meet WCAG 2.x AA.
#include "app/qt/skin.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <vector>

#include "app/qt/contrast.h"

using namespace af;

namespace {

// The colours named in `property` of the rule for exactly `selector`, in order.
std::vector<QColor> colours(const QString& sheet, const QString& selector,
                            const QString& property) {
  std::vector<QColor> out;
  QRegularExpression rule("(^|\\n)" + QRegularExpression::escape(selector) + " \\{([^}]*)\\}");
  auto m = rule.match(sheet);
  if (!m.hasMatch()) return out;
  QRegularExpression prop("(^|[ ;])" + QRegularExpression::escape(property) + ":([^;]*);");
  auto p = prop.match(m.captured(2));
  if (!p.hasMatch()) return out;
  auto it = QRegularExpression("#[0-9a-fA-F]{6}").globalMatch(p.captured(2));
  while (it.hasNext()) out.emplace_back(QColor::fromString(it.next().captured(0)));
  return out;
}

struct Pair {
  const char* what;
  const char *fg_rule, *fg_prop, *bg_rule, *bg_prop;
  double minimum;
};

// What is drawn on what.
const Pair pairs[] = {
    {"button text", "QPushButton", "color", "QPushButton", "background", text_contrast},
    {"button text, hovered", "QPushButton", "color", "QPushButton:hover", "background",
     text_contrast},
    {"pressed button text", "QPushButton:pressed", "color", "QPushButton:pressed", "background",
     text_contrast},
    {"column caption", "QHeaderView::section", "color", "QHeaderView::section", "background",
     text_contrast},
    {"group caption", "QGroupBox::title", "color", "QGroupBox", "background", text_contrast},
    {"tab caption", "QTabBar::tab", "color", "QTabBar::tab", "background", text_contrast},
    {"selected row text", "QTreeWidget", "selection-color", "QTreeWidget",
     "selection-background-color", text_contrast},
    {"group frame", "QGroupBox", "border", "QGroupBox", "background", mark_contrast},
    {"group frame on the page", "QGroupBox", "border", "QTabWidget::pane", "background",
     mark_contrast},
    {"tab frame", "QTabBar::tab", "border", "QWidget#albumfetch", "background", mark_contrast},
    {"edit box frame", "QLineEdit", "border", "QLineEdit", "background", mark_contrast},
    {"list frame", "QTreeWidget", "border", "QGroupBox", "background", mark_contrast},
    {"button frame", "QPushButton", "border", "QGroupBox", "background", mark_contrast},
    {"progress frame", "QProgressBar", "border", "QGroupBox", "background", mark_contrast},
    {"log frame", "QPlainTextEdit", "border", "QGroupBox", "background", mark_contrast},
    {"progress", "QProgressBar::chunk", "background", "QProgressBar", "background", mark_contrast},
    {"focused edit box", "QLineEdit:focus", "border", "QLineEdit", "background", mark_contrast},
    {"focused button", "QPushButton:focus", "border", "QPushButton", "background", mark_contrast},
    {"focused button on its group", "QPushButton:focus", "border", "QGroupBox", "background",
     mark_contrast},
    {"focused picture button", "QPushButton:flat:focus", "border", "QGroupBox", "background",
     mark_contrast},
    {"focused check box", "QCheckBox:focus", "border", "QGroupBox", "background", mark_contrast},
    {"focused tab", "QTabBar::tab:focus", "border", "QTabBar::tab", "background", mark_contrast},
    {"focused list", "QTreeWidget:focus", "border", "QGroupBox", "background", mark_contrast},
    {"current row", "QTreeView::item:focus", "border-top", "QTreeWidget", "background",
     mark_contrast},
    {"current row, selected", "QTreeView::item:focus", "border-top", "QTreeWidget",
     "selection-background-color", mark_contrast},
    {"focused log", "QPlainTextEdit:focus", "border", "QGroupBox", "background", mark_contrast},
    {"tick box", "QTreeView::indicator", "border", "QTreeWidget", "background", mark_contrast},
    {"tick box, selected row", "QTreeView::indicator", "border", "QTreeWidget",
     "selection-background-color", mark_contrast},
    {"ticked box", "QTreeView::indicator:checked", "background", "QTreeWidget", "background",
     mark_contrast},
    {"ticked box, selected row", "QTreeView::indicator:checked", "background", "QTreeWidget",
     "selection-background-color", mark_contrast},
};

class SkinContrast : public ::testing::TestWithParam<int> {};

TEST_P(SkinContrast, MeetsAA) {
  QString sheet = carried_skin(GetParam());
  for (const Pair& p : pairs) {
    auto fg = colours(sheet, p.fg_rule, p.fg_prop);
    auto bg = colours(sheet, p.bg_rule, p.bg_prop);
    ASSERT_FALSE(fg.empty() || bg.empty()) << p.what << ": colour not found";
    for (const QColor& f : fg)
      for (const QColor& b : bg)
        EXPECT_GE(contrast_ratio(f, b), p.minimum)
            << p.what << ": " << f.name().toStdString() << " on " << b.name().toStdString();
  }
  // A ticked row shows a mark inside its filled box, not just the fill.
  QRegularExpression image("QTreeView::indicator:checked \\{[^}]*image: url\\(([^)]*)\\)");
  auto m = image.match(sheet);
  ASSERT_TRUE(m.hasMatch());
  QFile mark(m.captured(1));
  ASSERT_TRUE(mark.open(QIODevice::ReadOnly)) << m.captured(1).toStdString();
  auto stroke = QRegularExpression("stroke=\"(#[0-9a-fA-F]{6})\"").match(mark.readAll());
  ASSERT_TRUE(stroke.hasMatch());
  for (const QColor& box : colours(sheet, "QTreeView::indicator:checked", "background"))
    EXPECT_GE(contrast_ratio(QColor::fromString(stroke.captured(1)), box), mark_contrast);
}

INSTANTIATE_TEST_SUITE_P(Skins, SkinContrast, ::testing::Range(1, skin_count + 1),
                         [](const auto& info) { return "skin" + std::to_string(info.param); });

// The measure itself, at the values WCAG gives.
TEST(Contrast, KnownRatios) {
  EXPECT_NEAR(contrast_ratio(Qt::black, Qt::white), 21.0, 1e-9);
  EXPECT_NEAR(contrast_ratio(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);
  EXPECT_NEAR(contrast_ratio(QColor(0, 136, 255), Qt::white), 3.52, 0.01);
  QColor pale(0xa0, 0xc0, 0xff);
  QColor d = deepen(pale, {Qt::white}, text_contrast);
  EXPECT_GE(contrast_ratio(d, Qt::white), text_contrast);
  EXPECT_EQ(d.hslHue(), pale.toHsl().hslHue());
  EXPECT_EQ(deepen(Qt::black, {Qt::white}, text_contrast), QColor(Qt::black));
}

}  // namespace

// Layout rectangles, attributes set by name, and the control search, on
// trees built from layout text and placed without a window.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "corekit/textconv.h"
#include "ui_test_support.h"

namespace {

std::unique_ptr<CControlUI> Build(const wchar_t* xml, int width = 400, int height = 300) {
  return std::unique_ptr<CControlUI>(uitest::BuildAndPlace(xml, width, height));
}

CControlUI* Named(CControlUI* root, const wchar_t* name) {
  return CPaintManagerUI().FindSubControlByName(root, name);
}

void ExpectRect(CControlUI* control, LONG l, LONG t, LONG r, LONG b) {
  ASSERT_TRUE(control);
  const RECT& rc = control->GetPos();
  EXPECT_EQ(rc.left, l) << corekit::WideToUtf8(control->GetName());
  EXPECT_EQ(rc.top, t);
  EXPECT_EQ(rc.right, r);
  EXPECT_EQ(rc.bottom, b);
}

CControlUI* CALLBACK CollectLabels(CControlUI* control, LPVOID data) {
  if (control->GetInterface(L"Label")) static_cast<std::vector<std::wstring>*>(data)->push_back(control->GetName());
  return nullptr;
}

}  // namespace

TEST(Layout, VerticalSharesWhatFixedChildrenInsetAndPaddingLeave) {
  auto root = Build(
      L"<VerticalLayout inset='10,20,30,40' childpadding='5'>"
      L"<Control name='a' height='50'/><Control name='b'/>"
      L"<Control name='c' height='30' width='100' padding='4,6,8,10'/><Control name='d'/>"
      L"</VerticalLayout>");
  // Inner area 10..370 x 20..260; 240 - 50 - (30 + 16) - 3 * 5 = 129 shared by b and d.
  ExpectRect(Named(root.get(), L"a"), 10, 20, 370, 70);
  ExpectRect(Named(root.get(), L"b"), 10, 75, 370, 139);
  ExpectRect(Named(root.get(), L"c"), 14, 150, 114, 180);
  ExpectRect(Named(root.get(), L"d"), 10, 195, 370, 260);
}

TEST(Layout, HorizontalHoldsChildrenWithinMinimumAndMaximum) {
  auto root = Build(
      L"<HorizontalLayout inset='0,18,0,0'>"
      L"<Label name='icon' width='14' maxheight='14'/><Control name='capped' maxwidth='50'/>"
      L"<Control name='floor' minwidth='300'/><Control name='rest'/>"
      L"</HorizontalLayout>");
  // 400 - 14 = 386 to share by three: 128 each breaks both limits, so the
  // capped one takes 50, the floored one 300 and the rest 36.
  ExpectRect(Named(root.get(), L"icon"), 0, 18, 14, 32);
  ExpectRect(Named(root.get(), L"capped"), 14, 18, 64, 300);
  ExpectRect(Named(root.get(), L"floor"), 64, 18, 364, 300);
  ExpectRect(Named(root.get(), L"rest"), 364, 18, 400, 300);
}

TEST(Layout, FloatingChildrenArePlacedByPosRelativeToTheirParent) {
  auto root = Build(
      L"<VerticalLayout><Control height='100'/>"
      L"<Container name='box' inset='7,7,7,7'><Control name='filler'/>"
      L"<Label name='pin' float='true' pos='8,8,92,40'/></Container>"
      L"</VerticalLayout>");
  ExpectRect(Named(root.get(), L"box"), 0, 100, 400, 300);
  ExpectRect(Named(root.get(), L"filler"), 7, 107, 393, 293);
  ExpectRect(Named(root.get(), L"pin"), 8, 108, 92, 140);
}

TEST(Layout, ChildrenBeyondTheSpaceKeepTheirSizeAndStretchersTheirMinimum) {
  auto root = Build(
      L"<VerticalLayout><Control name='a' height='250'/><Control name='b' minheight='20'/>"
      L"<Control name='c' height='100'/></VerticalLayout>");
  ExpectRect(Named(root.get(), L"a"), 0, 0, 400, 250);
  ExpectRect(Named(root.get(), L"b"), 0, 250, 400, 270);
  ExpectRect(Named(root.get(), L"c"), 0, 270, 400, 370);
}

TEST(Attributes, SettersAndAttributesGiveTheSameResult) {
  CLabelUI byName, bySetter;
  byName.SetAttribute(L"textcolor", L"#FF4C4C4C");
  byName.SetAttribute(L"font", L"7");
  byName.SetAttribute(L"align", L"right");
  byName.SetAttribute(L"valign", L"top");
  byName.SetAttribute(L"multiline", L"true");
  byName.SetAttribute(L"textpadding", L"10,0,0,2");
  byName.SetAttribute(L"maxheight", L"14");
  byName.SetAttribute(L"padding", L"1,2,3,4");
  byName.SetAttribute(L"bkimage", L"file='state_icon.png' source='14,0,28,14'");
  bySetter.SetTextColor(0xFF4C4C4C);
  bySetter.SetFont(7);
  bySetter.SetTextStyle(DT_RIGHT | DT_TOP | DT_WORDBREAK);
  bySetter.SetTextPadding(RECT{10, 0, 0, 2});
  bySetter.SetMaxHeight(14);
  bySetter.SetPadding(RECT{1, 2, 3, 4});
  bySetter.SetBkImage(L"file='state_icon.png' source='14,0,28,14'");
  EXPECT_EQ(byName.GetTextColor(), bySetter.GetTextColor());
  EXPECT_EQ(byName.GetFont(), 7);
  EXPECT_EQ(byName.GetTextStyle(), bySetter.GetTextStyle());
  EXPECT_TRUE(byName.IsMultiLine());
  EXPECT_EQ(byName.GetTextPadding().left, 10);
  EXPECT_EQ(byName.GetTextPadding().bottom, 2);
  EXPECT_EQ(byName.GetMaxHeight(), 14);
  EXPECT_EQ(byName.GetPadding().right, bySetter.GetPadding().right);
  EXPECT_EQ(byName.GetBkImage().file, L"state_icon.png");
  EXPECT_TRUE(byName.GetBkImage().hasSource);
  EXPECT_EQ(byName.GetBkImage().source, (ui::Edges{14, 0, 28, 14}));

  CHorizontalLayoutUI row;
  row.SetAttribute(L"inset", L"2,18,30,0");
  row.SetAttribute(L"height", L"61");
  EXPECT_EQ(row.GetInset().top, 18);
  EXPECT_EQ(row.GetInset().right, 30);
  EXPECT_EQ(row.GetFixedHeight(), 61);
}

TEST(Attributes, BadValuesChangeNothing) {
  CButtonUI button;
  button.SetAttribute(L"textcolor", L"#FF102030");
  button.SetAttribute(L"width", L"40");
  button.SetAttribute(L"bkcolor", L"#FF2F80FF");
  for (const wchar_t* bad : {L"", L"#12", L"red", L"#GG102030", L"-5", L"1,2,3", L"9999999999999", L"file='x.png"}) {
    for (const wchar_t* name : {L"textcolor", L"width", L"bkcolor", L"padding", L"textpadding", L"borderround",
                                L"visible", L"enabled", L"font", L"align", L"bkimage", L"normalimage", L"inset"})
      button.SetAttribute(name, bad);
  }
  button.SetAttribute(L"nosuchattribute", L"1");
  button.SetAttribute(nullptr, L"1");
  button.SetAttribute(L"text", nullptr);
  EXPECT_EQ(button.GetTextColor(), 0xFF102030u);
  EXPECT_EQ(button.GetFixedWidth(), 40);
  EXPECT_EQ(button.GetBkColor(), 0xFF2F80FFu);
  EXPECT_TRUE(button.IsVisible());
  EXPECT_TRUE(button.IsEnabled());
  EXPECT_EQ(button.GetTextStyle(), static_cast<UINT>(DT_SINGLELINE | DT_VCENTER | DT_CENTER));
}

TEST(Attributes, TextKeysGoThroughTheResolver) {
  CLabelUI label;
  label.SetAttribute(L"text", L"%{s.detect.cpu}");
  EXPECT_EQ(label.GetText(), L"<s.detect.cpu>");
  label.SetAttribute(L"text", L"50%{not a key");
  EXPECT_EQ(label.GetText(), L"50%{not a key");
  CPaintManagerUI::SetTextResolver(nullptr);
  label.SetAttribute(L"tooltip", L"%{s.ui.close}");
  EXPECT_EQ(label.GetToolTip(), L"%{s.ui.close}");
  uitest::UseFixtureSkin();
}

TEST(ControlSearch, CollectsLabelsDepthFirstInLayoutOrder) {
  CDialogBuilder builder;
  std::unique_ptr<CControlUI> net(builder.Create(L"netlayout.xml"));
  ASSERT_TRUE(net);
  std::vector<std::wstring> names;
  net->FindControl(CollectLabels, &names, UIFIND_ALL);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"s1", L"s2", L"s3"}));
  EXPECT_EQ(CPaintManagerUI().FindSubControlByName(net.get(), L"s3")->GetText(), L"three");
  EXPECT_EQ(CPaintManagerUI().FindSubControlByName(net.get(), L"nobody"), nullptr);
}

TEST(Containers, InsertRemoveAndMoveByIndex) {
  struct Counted : CLabelUI {
    explicit Counted(int* deaths) : deaths(deaths) {}
    ~Counted() override { ++*deaths; }
    int* deaths;
  };
  int deaths = 0;
  CVerticalLayoutUI list;
  std::vector<CControlUI*> items;
  for (int i = 0; i < 4; ++i) {
    items.push_back(new Counted(&deaths));
    items.back()->SetName(std::to_wstring(i));
    ASSERT_TRUE(list.Add(items.back()));
  }
  auto* header = new Counted(&deaths);
  EXPECT_TRUE(list.AddAt(header, 0));
  CLabelUI stray;
  EXPECT_FALSE(list.AddAt(&stray, 9));  // out of range: refused
  EXPECT_EQ(list.GetCount(), 5);
  EXPECT_EQ(list.GetItemAt(0), header);
  EXPECT_EQ(list.GetItemIndex(items[3]), 4);
  EXPECT_EQ(list.GetItemAt(5), nullptr);

  // Move as the rows are re-placed: out of its place, into the shortened list.
  EXPECT_TRUE(list.SetItemIndex(header, 2));
  EXPECT_EQ(list.GetItemIndex(header), 2);
  EXPECT_EQ(list.GetItemAt(1), items[1]);
  EXPECT_EQ(list.GetItemAt(3), items[2]);
  EXPECT_FALSE(list.SetItemIndex(header, 5));

  EXPECT_TRUE(list.Remove(items[0]));
  EXPECT_EQ(deaths, 1);
  EXPECT_TRUE(list.Remove(items[1], true));  // handed back, alive
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(items[1]->GetParent(), nullptr);
  delete items[1];
  EXPECT_FALSE(list.Remove(items[1]));
  EXPECT_FALSE(list.RemoveAt(-1));
  list.RemoveAll();
  EXPECT_EQ(deaths, 5);
  EXPECT_EQ(list.GetCount(), 0);

  int record = 42;
  CLabelUI tagged;
  tagged.SetTag(reinterpret_cast<UINT_PTR>(&record));
  EXPECT_EQ(*reinterpret_cast<int*>(tagged.GetTag()), 42);
}

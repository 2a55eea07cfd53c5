#include "platform/menus/Menus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "platform/core/MacErrors.h"

namespace {

constexpr OSType kCreator = FourCC("SKID");

// Every test starts and ends with the same live menus, so a test that leaks
// (or a model that frees too early or too late) shows up here.
class Menus : public ::testing::Test {
 protected:
  void SetUp() override { baseline_ = CountLiveMenusForTesting(); }
  void TearDown() override {
    SetMenuIconOwnership(nullptr, nullptr);
    EXPECT_EQ(CountLiveMenusForTesting(), baseline_);
  }
  static MenuRef NewMenu(MenuID id, int items = 0) {
    MenuRef m = nullptr;
    EXPECT_EQ(CreateNewMenu(id, 0, &m), noErr);
    for (int i = 1; i <= items; ++i)
      EXPECT_EQ(
          AppendMenuItemTextWithCFString(m, CFStringFromUTF8(std::to_string(i)), 0, 0, nullptr),
          noErr);
    return m;
  }
  static std::string Text(MenuRef m, MenuItemIndex i) {
    auto v = GetMenuItemView(m, i);
    return v ? v->text : "<none>";
  }
  static std::string Texts(MenuRef m) {
    std::string out;
    for (MenuItemIndex i = 1; i <= CountMenuItems(m); ++i) out += Text(m, i) + " ";
    return out;
  }
  std::size_t baseline_ = 0;
};

TEST_F(Menus, HyphenAloneMakesASeparatorUnlessMetaIsIgnored) {
  MenuRef m = NewMenu(1);
  const unsigned char hyphen[] = {1, '-'};
  const unsigned char cafe[] = {4, 'c', 'a', 'f', 0x8E};  // Mac Roman e-acute
  EXPECT_EQ(InsertMenuItemText(m, hyphen, 0), noErr);
  EXPECT_EQ(InsertMenuItemText(m, cafe, 1), noErr);
  EXPECT_EQ(InsertMenuItemTextWithCFString(m, CFSTR("-"), 2, 0, 0), noErr);
  EXPECT_EQ(InsertMenuItemTextWithCFString(m, CFSTR("-"), 3, kMenuItemAttrIgnoreMeta, 0), noErr);
  EXPECT_EQ(InsertMenuItemTextWithCFString(m, CFSTR("-x"), 4, 0, 0), noErr);
  EXPECT_EQ(InsertMenuItemTextWithCFString(m, CFSTR("--"), 5, 0, 0), noErr);

  const bool separator[] = {true, false, true, false, false, false};
  for (MenuItemIndex i = 1; i <= 6; ++i) {
    auto v = GetMenuItemView(m, i);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->isSeparator, separator[i - 1]) << "item " << i;
    // A separator line cannot be chosen.
    EXPECT_EQ(IsMenuItemEnabled(m, i), !separator[i - 1]) << "item " << i;
  }
  EXPECT_EQ(Text(m, 2), "caf\xC3\xA9");
  EXPECT_EQ(Text(m, 4), "-");
  EXPECT_EQ(DisposeMenu(m), noErr);
}

TEST_F(Menus, InsertionPlacesCopiesAndReportsBadIndexes) {
  MenuRef m = NewMenu(1, 2);
  EXPECT_EQ(InsertMenuItemTextWithCFString(m, CFSTR("top"), 0, 0, 7), noErr);
  EXPECT_EQ(InsertMenuItemTextWithCFString(m, CFSTR("end"), 500, 0, 0), noErr);
  auto mutableText = CFStringCreateMutable(nullptr, 0);
  CFStringAppendCString(mutableText, "mid", kCFStringEncodingUTF8);
  MenuItemIndex added = 0;
  EXPECT_EQ(AppendMenuItemTextWithCFString(m, mutableText, 0, 0, &added), noErr);
  EXPECT_EQ(added, 5);
  CFStringAppendCString(mutableText, "dle", kCFStringEncodingUTF8);  // the item kept a copy
  EXPECT_EQ(Texts(m), "top 1 2 end mid ");
  EXPECT_EQ(GetMenuItemView(m, 1)->command, 7u);

  CFRef<CFStringRef> copied;
  EXPECT_EQ(CopyMenuItemTextAsCFString(m, 4, &copied), noErr);
  EXPECT_EQ(CFStringToUTF8(copied), "end");
  EXPECT_EQ(SetMenuItemTextWithCFString(m, 4, CFSTR("-")), noErr);
  EXPECT_FALSE(GetMenuItemView(m, 4)->isSeparator);

  EXPECT_EQ(CopyMenuItemTextAsCFString(m, 0, &copied), menuItemNotFoundErr);
  EXPECT_EQ(CopyMenuItemTextAsCFString(m, 6, &copied), menuItemNotFoundErr);
  EXPECT_EQ(SetMenuItemTextWithCFString(m, 6, CFSTR("x")), menuItemNotFoundErr);
  EXPECT_EQ(InsertMenuItemTextWithCFString(m, nullptr, 0, 0, 0), paramErr);
  EXPECT_EQ(CFStringToUTF8(copied), "end");  // untouched by the failed copies
  EXPECT_EQ(DisposeMenu(m), noErr);

  // A disposed menu is refused, not touched.
  EXPECT_EQ(InsertMenuItemTextWithCFString(m, CFSTR("x"), 0, 0, 0), menuInvalidErr);
  EXPECT_EQ(CountMenuItems(m), 0);
  EXPECT_EQ(DisposeMenu(m), menuInvalidErr);
  EXPECT_EQ(DisableMenuItem(nullptr, 1), menuInvalidErr);
}

TEST_F(Menus, AMenuTakesItems65535AndNoMore) {
  MenuRef m = NewMenu(1, 65533);
  // The last two that fit: one in the middle, one at the end, which is
  // told its index.
  EXPECT_EQ(InsertMenuItemTextWithCFString(m, CFSTR("middle"), 100, 0, 0), noErr);
  MenuItemIndex added = 0;
  ASSERT_EQ(AppendMenuItemTextWithCFString(m, CFSTR("last"), 0, 9, &added), noErr);
  EXPECT_EQ(added, 65535);
  EXPECT_EQ(CountMenuItems(m), 65535);
  EXPECT_EQ(Text(m, 101), "middle");
  EXPECT_EQ(Text(m, 65535), "last");
  EXPECT_EQ(GetMenuItemView(m, 65535)->command, 9u);

  // One more is refused wherever it would go, and changes nothing.
  added = 7;
  EXPECT_EQ(AppendMenuItemTextWithCFString(m, CFSTR("over"), 0, 0, &added), memFullErr);
  EXPECT_EQ(added, 7);
  EXPECT_EQ(InsertMenuItemTextWithCFString(m, CFSTR("over"), 0, 0, 0), memFullErr);
  const unsigned char pascal[] = {4, 'o', 'v', 'e', 'r'};
  EXPECT_EQ(InsertMenuItemText(m, pascal, 1), memFullErr);
  EXPECT_EQ(CountMenuItems(m), 65535);
  EXPECT_EQ(Text(m, 1), "1");
  EXPECT_EQ(Text(m, 65535), "last");

  // Room again once one goes.
  EXPECT_EQ(DeleteMenuItem(m, 1), noErr);
  EXPECT_EQ(AppendMenuItemTextWithCFString(m, CFSTR("again"), 0, 0, &added), noErr);
  EXPECT_EQ(added, 65535);
  EXPECT_EQ(DisposeMenu(m), noErr);
}

TEST_F(Menus, DeletionRanges) {
  MenuRef m = NewMenu(1, 10);
  EXPECT_EQ(DeleteMenuItems(m, 3, 3), noErr);
  EXPECT_EQ(Texts(m), "1 2 6 7 8 9 10 ");
  EXPECT_EQ(DeleteMenuItems(m, 6, 50), noErr);  // runs past the end: stops at the last item
  EXPECT_EQ(Texts(m), "1 2 6 7 8 ");
  EXPECT_EQ(DeleteMenuItem(m, 1), noErr);
  EXPECT_EQ(DeleteMenuItems(m, 2, 0), noErr);
  EXPECT_EQ(Texts(m), "2 6 7 8 ");
  EXPECT_EQ(DeleteMenuItems(m, 0, 1), menuItemNotFoundErr);
  EXPECT_EQ(DeleteMenuItems(m, 5, 1), menuItemNotFoundErr);
  EXPECT_EQ(CountMenuItems(m), 4);
  EXPECT_EQ(DisposeMenu(m), noErr);
}

TEST_F(Menus, PropertiesNeedTheExactSizeAndLeaveBuffersAloneOnFailure) {
  MenuRef m = NewMenu(1, 1);
  const UInt32 node = 0x01020304;
  EXPECT_EQ(SetMenuItemProperty(m, 1, kCreator, FourCC("NODE"), 4, &node), noErr);

  std::array<UInt8, 8> buf;
  buf.fill(0xEE);
  ByteCount actual = 99;
  EXPECT_EQ(GetMenuItemProperty(m, 1, kCreator, FourCC("NODE"), 8, &actual, buf.data()), paramErr);
  EXPECT_EQ(GetMenuItemProperty(m, 1, kCreator, FourCC("NODE"), 2, &actual, buf.data()), paramErr);
  EXPECT_EQ(GetMenuItemProperty(m, 1, kCreator, FourCC("FLAG"), 4, &actual, buf.data()),
            menuPropertyNotFoundErr);
  EXPECT_EQ(GetMenuItemProperty(m, 1, FourCC("othr"), FourCC("NODE"), 4, &actual, buf.data()),
            menuPropertyNotFoundErr);
  EXPECT_EQ(GetMenuItemProperty(m, 0, kCreator, FourCC("NODE"), 4, &actual, buf.data()),
            menuPropertyNotFoundErr);  // item 0 is the menu's own store
  EXPECT_EQ(GetMenuItemProperty(m, 2, kCreator, FourCC("NODE"), 4, &actual, buf.data()),
            menuItemNotFoundErr);
  for (UInt8 b : buf) EXPECT_EQ(b, 0xEE);
  EXPECT_EQ(actual, 99u);

  UInt32 read = 0;
  EXPECT_EQ(GetMenuItemProperty(m, 1, kCreator, FourCC("NODE"), 4, &actual, &read), noErr);
  EXPECT_EQ(read, node);
  EXPECT_EQ(actual, 4u);

  // Rewriting with another size replaces the value; the old size then fails.
  const UInt8 flag = 1;
  EXPECT_EQ(SetMenuItemProperty(m, 1, kCreator, FourCC("NODE"), 1, &flag), noErr);
  EXPECT_EQ(GetMenuItemProperty(m, 1, kCreator, FourCC("NODE"), 4, nullptr, &read), paramErr);
  ByteCount size = 0;
  EXPECT_EQ(GetMenuItemPropertySize(m, 1, kCreator, FourCC("NODE"), &size), noErr);
  EXPECT_EQ(size, 1u);

  EXPECT_EQ(SetMenuItemProperty(m, 0, kCreator, FourCC("ICON"), 0, nullptr), noErr);
  EXPECT_EQ(GetMenuItemPropertySize(m, 0, kCreator, FourCC("ICON"), &size), noErr);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(SetMenuItemProperty(m, 1, 0, FourCC("NODE"), 1, &flag), menuPropertyInvalidErr);
  EXPECT_EQ(SetMenuItemProperty(m, 1, kCreator, FourCC("NODE"), 4, nullptr), paramErr);

  EXPECT_EQ(RemoveMenuItemProperty(m, 1, kCreator, FourCC("NODE")), noErr);
  EXPECT_EQ(RemoveMenuItemProperty(m, 1, kCreator, FourCC("NODE")), menuPropertyNotFoundErr);
  EXPECT_EQ(GetMenuItemPropertySize(m, 1, kCreator, FourCC("NODE"), &size),
            menuPropertyNotFoundErr);
  EXPECT_EQ(DisposeMenu(m), noErr);
}

TEST_F(Menus, PropertiesFollowTheirItems) {
  MenuRef m = NewMenu(1, 3);
  for (UInt8 i = 1; i <= 3; ++i)
    EXPECT_EQ(SetMenuItemProperty(m, i, kCreator, FourCC("LABL"), 1, &i), noErr);
  auto label = [&](MenuItemIndex i) {
    UInt8 v = 0;
    return GetMenuItemProperty(m, i, kCreator, FourCC("LABL"), 1, nullptr, &v) == noErr ? int{v}
                                                                                        : -1;
  };
  EXPECT_EQ(InsertMenuItemTextWithCFString(m, CFSTR("new"), 1, 0, 0), noErr);
  EXPECT_EQ(label(1), 1);
  EXPECT_EQ(label(2), -1);  // a new item starts without properties
  EXPECT_EQ(label(3), 2);
  EXPECT_EQ(label(4), 3);
  EXPECT_EQ(DeleteMenuItems(m, 1, 2), noErr);
  EXPECT_EQ(label(1), 2);
  EXPECT_EQ(label(2), 3);
  EXPECT_EQ(DeleteMenuItem(m, 2), noErr);
  EXPECT_EQ(InsertMenuItemTextWithCFString(m, CFSTR("again"), 1, 0, 0), noErr);
  EXPECT_EQ(label(2), -1);  // the deleted item's value is gone with it

  const UInt32 a = 1, b = 2;
  EXPECT_EQ(SetMenuItemProperty(m, 1, kCreator, FourCC("NODE"), 4, &a), noErr);
  EXPECT_EQ(SetMenuItemProperty(m, 1, FourCC("othr"), FourCC("NODE"), 4, &b), noErr);
  auto props = ListMenuItemProperties(m, 1);
  ASSERT_EQ(props.size(), 3u);
  EXPECT_EQ(props[0].tag, FourCC("LABL"));
  EXPECT_EQ(props[2].creator, FourCC("othr"));
  EXPECT_EQ(props[2].bytes, std::vector<UInt8>(reinterpret_cast<const UInt8*>(&b),
                                               reinterpret_cast<const UInt8*>(&b) + 4));
  EXPECT_EQ(DisposeMenu(m), noErr);
}

TEST_F(Menus, EnabledStateIsTheDisabledAttribute) {
  MenuRef m = NewMenu(1, 2);
  MenuItemAttributes attrs = 0;
  EXPECT_EQ(DisableMenuItem(m, 1), noErr);
  EXPECT_EQ(GetMenuItemAttributes(m, 1, &attrs), noErr);
  EXPECT_EQ(attrs, MenuItemAttributes{kMenuItemAttrDisabled});
  EXPECT_EQ(ChangeMenuItemAttributes(m, 1, kMenuItemAttrIgnoreMeta, kMenuItemAttrDisabled), noErr);
  EXPECT_TRUE(IsMenuItemEnabled(m, 1));
  EXPECT_EQ(ChangeMenuItemAttributes(m, 2, kMenuItemAttrDisabled | kMenuItemAttrHidden,
                                     kMenuItemAttrDisabled),
            noErr);  // a bit both set and cleared ends up set
  EXPECT_FALSE(IsMenuItemEnabled(m, 2));
  EXPECT_TRUE(GetMenuItemView(m, 2)->hidden);
  EXPECT_EQ(EnableMenuItem(m, 2), noErr);
  EXPECT_EQ(GetMenuItemAttributes(m, 2, &attrs), noErr);
  EXPECT_EQ(attrs, MenuItemAttributes{kMenuItemAttrHidden});

  // Item 0 is the whole menu and leaves the items' own state alone.
  EXPECT_EQ(DisableMenuItem(m, 0), noErr);
  EXPECT_FALSE(IsMenuItemEnabled(m, 0));
  EXPECT_FALSE(GetMenuView(m)->enabled);
  EXPECT_TRUE(IsMenuItemEnabled(m, 1));
  EXPECT_EQ(EnableMenuItem(m, 0), noErr);
  EXPECT_TRUE(IsMenuItemEnabled(m, 0));

  EXPECT_FALSE(IsMenuItemEnabled(m, 3));
  EXPECT_EQ(EnableMenuItem(m, 3), menuItemNotFoundErr);
  EXPECT_EQ(GetMenuItemAttributes(m, 0, &attrs), menuItemNotFoundErr);
  EXPECT_EQ(ChangeMenuItemAttributes(m, 3, 0, 0), menuItemNotFoundErr);
  EXPECT_EQ(DisposeMenu(m), noErr);
}

TEST_F(Menus, VirtualKeyZeroIsAKeyEquivalent) {
  MenuRef m = NewMenu(1, 4);
  // Item 1: virtual key 0, the A key. Item 2: a character. Item 3: a glyph
  // alone. Item 4: nothing.
  EXPECT_EQ(SetMenuItemCommandKey(m, 1, true, 0), noErr);
  EXPECT_EQ(SetMenuItemCommandKey(m, 2, false, 'K'), noErr);
  EXPECT_EQ(SetMenuItemKeyGlyph(m, 3, 0x6F), noErr);
  EXPECT_TRUE(GetMenuItemView(m, 1)->hasKeyEquivalent);
  EXPECT_TRUE(GetMenuItemView(m, 1)->isVirtualKey);
  EXPECT_EQ(GetMenuItemView(m, 1)->commandKey, 0);
  EXPECT_TRUE(GetMenuItemView(m, 2)->hasKeyEquivalent);
  EXPECT_TRUE(GetMenuItemView(m, 3)->hasKeyEquivalent);
  EXPECT_FALSE(GetMenuItemView(m, 4)->hasKeyEquivalent);
  // Character 0 takes the virtual key away: no key equivalent is left.
  EXPECT_EQ(SetMenuItemCommandKey(m, 1, false, 0), noErr);
  EXPECT_FALSE(GetMenuItemView(m, 1)->hasKeyEquivalent);
  EXPECT_EQ(DisposeMenu(m), noErr);
}

TEST_F(Menus, KeyEquivalentsKeepCharacterAndVirtualKeyApart) {
  MenuRef m = NewMenu(1, 1);
  EXPECT_EQ(SetMenuItemCommandKey(m, 1, false, 'K'), noErr);
  EXPECT_EQ(SetMenuItemCommandKey(m, 1, true, 0x7A), noErr);
  EXPECT_EQ(SetMenuItemModifiers(m, 1, kMenuShiftModifier | kMenuNoCommandModifier), noErr);
  EXPECT_EQ(SetMenuItemKeyGlyph(m, 1, 0x6F), noErr);
  auto v = GetMenuItemView(m, 1);
  EXPECT_TRUE(v->isVirtualKey);
  EXPECT_EQ(v->commandKey, 0x7A);
  EXPECT_EQ(v->modifiers, kMenuShiftModifier | kMenuNoCommandModifier);
  EXPECT_EQ(v->glyph, 0x6F);
  UInt16 key = 0;
  EXPECT_EQ(GetMenuItemCommandKey(m, 1, false, &key), noErr);
  EXPECT_EQ(key, 'K');

  // Clearing a key as the agent does: character 0 drops the virtual key too.
  EXPECT_EQ(SetMenuItemCommandKey(m, 1, false, 0), noErr);
  v = GetMenuItemView(m, 1);
  EXPECT_FALSE(v->isVirtualKey);
  EXPECT_EQ(v->commandKey, 0);
  EXPECT_EQ(v->attributes & kMenuItemAttrUseVirtualKey, 0u);
  EXPECT_EQ(GetMenuItemCommandKey(m, 1, true, &key), noErr);
  EXPECT_EQ(key, 0x7A);

  SInt16 glyph = 0;
  UInt8 mods = 0;
  EXPECT_EQ(GetMenuItemKeyGlyph(m, 1, &glyph), noErr);
  EXPECT_EQ(GetMenuItemModifiers(m, 1, &mods), noErr);
  EXPECT_EQ(glyph, 0x6F);
  EXPECT_EQ(mods, kMenuShiftModifier | kMenuNoCommandModifier);
  EXPECT_EQ(GetMenuItemKeyGlyph(m, 2, &glyph), menuItemNotFoundErr);
  EXPECT_EQ(SetMenuItemModifiers(m, 0, 0), menuItemNotFoundErr);
  EXPECT_EQ(DisposeMenu(m), noErr);
}

struct FakeIcon {
  int refs = 1;
};
void RetainFake(UInt8, void* icon) { ++static_cast<FakeIcon*>(icon)->refs; }
void ReleaseFake(UInt8, void* icon) { --static_cast<FakeIcon*>(icon)->refs; }

TEST_F(Menus, MenusHoldTheirOwnIconReferences) {
  SetMenuIconOwnership(RetainFake, ReleaseFake);
  FakeIcon a, b, c;
  MenuRef m = NewMenu(1, 3);
  auto handle = [](FakeIcon& f) { return reinterpret_cast<Handle>(&f); };
  EXPECT_EQ(SetMenuItemIconHandle(m, 1, kMenuCGImageRefType, handle(a)), noErr);
  EXPECT_EQ(SetMenuItemIconHandle(m, 2, kMenuIconRefType, handle(a)), noErr);
  EXPECT_EQ(SetMenuItemIconHandle(m, 3, kMenuIconRefType, handle(b)), noErr);
  EXPECT_EQ(a.refs, 3);
  EXPECT_EQ(SetMenuItemIconHandle(m, 1, kMenuCGImageRefType, handle(a)), noErr);  // same again
  EXPECT_EQ(a.refs, 3);
  EXPECT_EQ(SetMenuItemIconHandle(m, 2, kMenuCGImageRefType, handle(b)), noErr);  // replaced
  EXPECT_EQ(a.refs, 2);
  EXPECT_EQ(b.refs, 3);
  EXPECT_EQ(SetMenuItemIconHandle(m, 3, 5, handle(c)), paramErr);
  EXPECT_EQ(c.refs, 1);
  EXPECT_EQ(b.refs, 3);

  UInt8 type = 0;
  Handle got = nullptr;
  EXPECT_EQ(GetMenuItemIconHandle(m, 2, &type, &got), noErr);
  EXPECT_EQ(type, kMenuCGImageRefType);
  EXPECT_EQ(got, handle(b));
  EXPECT_EQ(SetMenuItemIconHandle(m, 3, kMenuNoIcon, nullptr), noErr);
  EXPECT_EQ(GetMenuItemIconHandle(m, 3, &type, &got), noErr);
  EXPECT_EQ(type, kMenuNoIcon);
  EXPECT_EQ(got, nullptr);
  EXPECT_EQ(b.refs, 2);

  EXPECT_EQ(DeleteMenuItem(m, 1), noErr);
  EXPECT_EQ(a.refs, 1);
  // An icon stored before the module unregisters is still released by it.
  SetMenuIconOwnership(nullptr, nullptr);
  EXPECT_EQ(SetMenuItemIconHandle(m, 2, kMenuIconRefType, handle(c)), noErr);
  EXPECT_EQ(c.refs, 1);  // not counted without a registration
  EXPECT_EQ(DisposeMenu(m), noErr);
  EXPECT_EQ(a.refs, 1);
  EXPECT_EQ(b.refs, 1);
  EXPECT_EQ(c.refs, 1);
}

TEST_F(Menus, SubmenusAreLinksNotOwners) {
  MenuRef parent = NewMenu(1, 2);
  MenuRef sub = NewMenu(2);
  MenuRef found = parent;
  EXPECT_EQ(GetMenuItemHierarchicalMenu(parent, 1, &found), noErr);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(SetMenuItemHierarchicalMenu(parent, 2, sub), noErr);
  EXPECT_EQ(InsertMenuItemTextWithCFString(parent, CFSTR("above"), 0, 0, 0), noErr);
  EXPECT_EQ(GetMenuItemHierarchicalMenu(parent, 3, &found), noErr);  // moved with its item
  EXPECT_EQ(found, sub);
  EXPECT_EQ(GetMenuItemView(parent, 3)->submenu, sub);
  EXPECT_EQ(GetMenuRetainCount(sub), 1u);

  EXPECT_EQ(SetMenuItemHierarchicalMenu(parent, 1, parent), paramErr);
  EXPECT_EQ(SetMenuItemHierarchicalMenu(parent, 4, sub), menuItemNotFoundErr);

  // The agent disposes the submenu and then detaches it; in between the link
  // must not hand out the dead menu.
  EXPECT_EQ(DisposeMenu(sub), noErr);
  EXPECT_EQ(GetMenuItemHierarchicalMenu(parent, 3, &found), noErr);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(GetMenuItemView(parent, 3)->submenu, nullptr);
  EXPECT_EQ(SetMenuItemHierarchicalMenu(parent, 3, sub), menuInvalidErr);
  EXPECT_EQ(SetMenuItemHierarchicalMenu(parent, 3, nullptr), noErr);

  // Disposing a parent leaves its submenus alive.
  MenuRef sub2 = NewMenu(3);
  EXPECT_EQ(SetMenuItemHierarchicalMenu(parent, 1, sub2), noErr);
  EXPECT_EQ(DisposeMenu(parent), noErr);
  EXPECT_TRUE(IsValidMenu(sub2));
  EXPECT_EQ(DisposeMenu(sub2), noErr);
}

TEST_F(Menus, FontsArePerMenu) {
  MenuRef a = NewMenu(1);
  MenuRef b = NewMenu(2);
  SInt16 id = -1;
  UInt16 size = 99;
  EXPECT_EQ(GetMenuFont(a, &id, &size), noErr);
  EXPECT_EQ(id, 0);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(SetMenuFont(a, 3, 12), noErr);
  EXPECT_EQ(GetMenuFont(a, &id, &size), noErr);
  EXPECT_EQ(id, 3);
  EXPECT_EQ(size, 12);
  EXPECT_EQ(GetMenuFont(b, &id, &size), noErr);
  EXPECT_EQ(id, 0);
  EXPECT_EQ(GetMenuView(a)->fontSize, 12);
  EXPECT_EQ(DisposeMenu(a), noErr);
  id = 7;
  EXPECT_EQ(GetMenuFont(a, &id, &size), menuInvalidErr);
  EXPECT_EQ(id, 7);
  EXPECT_EQ(DisposeMenu(b), noErr);
}

TEST_F(Menus, LiveMenusAreCountedThroughRetainAndRelease) {
  MenuRef a = NewMenu(40);
  MenuRef b = NewMenu(41);
  EXPECT_EQ(CountLiveMenusForTesting(), baseline_ + 2);
  EXPECT_EQ(GetMenuID(b), 41);
  EXPECT_EQ(RetainMenu(a), noErr);
  EXPECT_EQ(DisposeMenu(a), noErr);  // only the creator's reference goes
  EXPECT_TRUE(IsValidMenu(a));
  auto ids = LiveMenuIDsForTesting();
  EXPECT_EQ(std::count(ids.begin(), ids.end(), MenuID{40}), 1);
  EXPECT_EQ(ReleaseMenu(a), noErr);
  EXPECT_FALSE(IsValidMenu(a));
  EXPECT_EQ(GetMenuID(a), 0);
  EXPECT_EQ(ReleaseMenu(a), menuInvalidErr);
  EXPECT_EQ(CountLiveMenusForTesting(), baseline_ + 1);
  EXPECT_EQ(CreateNewMenu(1, 0, nullptr), paramErr);
  EXPECT_EQ(DisposeMenu(b), noErr);
}

TEST_F(Menus, ChangesAreMarkedForRedraw) {
  MenuRef m = NewMenu(1, 5);
  EXPECT_EQ(UpdateInvalidMenuItems(m), noErr);
  auto view = GetMenuView(m);
  EXPECT_EQ(view->invalid, MenuItemRange{});
  EXPECT_EQ(view->updateCount, 1u);

  // A key change alone is enough for the next update to redraw the item.
  EXPECT_EQ(SetMenuItemModifiers(m, 4, kMenuShiftModifier), noErr);
  EXPECT_EQ(InvalidateMenuItems(m, 2, 1), noErr);
  EXPECT_EQ((GetMenuView(m)->invalid), (MenuItemRange{2, 3}));
  EXPECT_EQ(UpdateInvalidMenuItems(m), noErr);
  view = GetMenuView(m);
  EXPECT_EQ(view->lastUpdated, (MenuItemRange{2, 3}));
  EXPECT_EQ(view->invalid, MenuItemRange{});
  EXPECT_EQ(view->updateCount, 2u);

  // Marked items that are deleted before the update are not redrawn.
  EXPECT_EQ(InvalidateMenuItems(m, 4, 9), noErr);
  EXPECT_EQ(DeleteMenuItems(m, 3, 3), noErr);
  EXPECT_EQ(UpdateInvalidMenuItems(m), noErr);
  EXPECT_EQ(GetMenuView(m)->lastUpdated, MenuItemRange{});
  EXPECT_EQ(InvalidateMenuItems(m, 3, 1), menuItemNotFoundErr);
  EXPECT_EQ(DisposeMenu(m), noErr);
}

int gDisposedTargets = 0;
void DisposeTarget(void*) { ++gDisposedTargets; }

TEST_F(Menus, SlotsAreDisposedWithTheMenuOrWhenReplaced) {
  int target1 = 0, target2 = 0, hostData = 0;
  gDisposedTargets = 0;
  MenuRef m = NewMenu(1);
  EXPECT_EQ(SetMenuEventTargetSlot(m, &target1, DisposeTarget), noErr);
  EXPECT_EQ(SetMenuEventTargetSlot(m, &target1, DisposeTarget), noErr);  // same value: kept
  EXPECT_EQ(gDisposedTargets, 0);
  EXPECT_EQ(SetMenuEventTargetSlot(m, &target2, DisposeTarget), noErr);
  EXPECT_EQ(gDisposedTargets, 1);
  EXPECT_EQ(GetMenuEventTargetSlot(m), &target2);
  EXPECT_EQ(SetMenuHostSlot(m, &hostData, DisposeTarget), noErr);
  EXPECT_EQ(GetMenuHostSlot(m), &hostData);
  EXPECT_EQ(DisposeMenu(m), noErr);
  EXPECT_EQ(gDisposedTargets, 3);
  EXPECT_EQ(GetMenuEventTargetSlot(m), nullptr);
}

}  // namespace

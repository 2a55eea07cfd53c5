// Key bindings added in the order users add them (descending, mixed, several
// on one node ID): the records stay sorted by node ID, every item finds and
// shows its own key, and removals take exactly the binding asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "bindings/KeyBindings.h"
#include "bindings/key_bindings_fixture.h"
#include "menus/ItemRecords.h"
#include "platform/events/HotKeys.h"

namespace {

class KeyBindingOrder : public bindings_test::KeyBindingsMenuTest {
 protected:
  struct Binding {
    std::string name;
    UInt32 nodeID;
    UInt32 keyCode;  // none of them has a glyph
  };

  // Makes the file, binds its key under the given node ID (the same node ID
  // on several volumes is told apart by the file reference) and puts an item
  // for it into the menu.
  void Add(const Binding& b) {
    plist_test::WriteFile(dir / b.name, b.name);
    const FSRef ref = Ref(dir / b.name);
    ASSERT_TRUE(AddKeyBinding(b.nodeID, &ref, b.keyCode, cmdKey)) << b.name;
    const MenuItemIndex after = CountMenuItems(menu);
    ASSERT_EQ(
        InsertFileItem(menu, CFStringFromUTF8(b.name), &ref, nullptr, false, after, b.nodeID, 1),
        noErr);
    items[b.name] = {CountMenuItems(menu), b};
  }
  void Remove(const std::string& name) {
    const FSRef ref = Ref(dir / name);
    RemoveKeyBinding(items.at(name).binding.nodeID, &ref);
    removed.push_back(name);
  }

  // The key each item shows once its binding has been looked up; -1 for none.
  int ShownKey(const std::string& name) {
    const auto& [index, binding] = items.at(name);
    SetItemKey(menu, index, 0x2F, cmdKey);  // something stale to be replaced
    ShowItemKeyBinding(binding.nodeID, menu, index);
    const MenuItemView view = GetMenuItemView(menu, index).value();
    return view.hasKeyEquivalent ? view.commandKey : -1;
  }

  // Every binding still there: sorted, found, shown on its own item and
  // registered; every removed one: gone from all of these.
  void ExpectTableHolds(const std::vector<std::string>& live) {
    EXPECT_TRUE(std::is_sorted(gKeyBindingRecords.begin(), gKeyBindingRecords.end(),
                               [](const auto& a, const auto& b) { return a->nodeID < b->nodeID; }))
        << NodeIDs();
    EXPECT_EQ(gKeyBindingRecords.size(), live.size()) << NodeIDs();
    for (const std::string& name : live) {
      SCOPED_TRACE(name);
      const Binding& b = items.at(name).binding;
      EXPECT_EQ(ShownKey(name), static_cast<int>(b.keyCode));
      EXPECT_TRUE(IsEventHotKeyRegistered(b.keyCode, cmdKey));
      // The record found for the key leads back to this very file's entry.
      const KeyBindingRecord* record = RecordWithKey(b.keyCode);
      ASSERT_NE(record, nullptr);
      EXPECT_EQ(record->nodeID, b.nodeID);
      EXPECT_EQ(PathOf(record->fileRef), dir / name);
      auto entry = static_cast<CFDictionaryRef>(HotKeyObjectForSignature(record->signature));
      ASSERT_NE(entry, nullptr);
      EXPECT_EQ(CFStringToUTF8(CFDictionaryGetTyped<CFStringRef>(entry, CFSTR("URL"))), dir / name);
    }
    for (const std::string& name : removed) {
      SCOPED_TRACE(name);
      EXPECT_EQ(ShownKey(name), -1);
      EXPECT_FALSE(IsEventHotKeyRegistered(items.at(name).binding.keyCode, cmdKey));
      EXPECT_EQ(RecordWithKey(items.at(name).binding.keyCode), nullptr);
    }
    EXPECT_EQ(CFArrayGetCount(gKeyBindingEntries), static_cast<CFIndex>(live.size()));
  }

  static const KeyBindingRecord* RecordWithKey(UInt32 keyCode) {
    for (const auto& r : gKeyBindingRecords)
      if (r->keyCode == keyCode) return r.get();
    return nullptr;
  }
  static std::string NodeIDs() {
    std::string ids;
    for (const auto& r : gKeyBindingRecords) ids += std::to_string(r->nodeID) + " ";
    return ids;
  }

  struct Item {
    MenuItemIndex index;
    Binding binding;
  };
  std::map<std::string, Item> items;
  std::vector<std::string> removed;
};

TEST_F(KeyBindingOrder, BindingsAddedInDescendingOrder) {
  const std::vector<Binding> bindings = {{"f", 600, 1}, {"e", 500, 2}, {"d", 400, 3},
                                         {"c", 300, 4}, {"b", 200, 5}, {"a", 100, 6}};
  std::vector<std::string> live;
  for (const Binding& b : bindings) {
    Add(b);
    live.push_back(b.name);
    // Each binding is found at once, among all those added before it.
    ExpectTableHolds(live);
  }
  ASSERT_EQ(gKeyBindingRecords.front()->nodeID, 100u);
  ASSERT_EQ(gKeyBindingRecords.back()->nodeID, 600u);

  // From the middle, then both ends.
  for (const char* name : {"c", "a", "f"}) {
    Remove(name);
    live.erase(std::find(live.begin(), live.end(), name));
    ExpectTableHolds(live);
  }
  // A node ID no binding has shows nothing, and removing by it changes nothing.
  const FSRef ref = Ref(dir / "d");
  RemoveKeyBinding(350, &ref);
  ExpectTableHolds(live);
}

TEST_F(KeyBindingOrder, BindingsAddedInMixedOrderWithSharedNodeIDs) {
  // Node IDs compare unsigned: 0x80000001 is the largest here, not the
  // smallest.
  const std::vector<Binding> bindings = {
      {"p", 300, 11}, {"q", 100, 12}, {"r", 300, 13}, {"s", 0x80000001, 14}, {"t", 200, 15},
      {"u", 100, 16}, {"v", 300, 17}, {"w", 50, 18},  {"x", 0x80000001, 19}, {"y", 250, 20},
  };
  std::vector<std::string> live;
  for (const Binding& b : bindings) {
    Add(b);
    live.push_back(b.name);
  }
  ExpectTableHolds(live);
  EXPECT_EQ(gKeyBindingRecords.front()->nodeID, 50u);
  EXPECT_EQ(gKeyBindingRecords.back()->nodeID, 0x80000001u);

  // One of three on node ID 300 (neither the first nor the last added), one
  // of two on 100 and on 0x80000001, and a node ID's only one.
  for (const char* name : {"r", "u", "s", "w"}) {
    Remove(name);
    live.erase(std::find(live.begin(), live.end(), name));
    ExpectTableHolds(live);
  }

  // Added again after the removals, between those that stayed.
  removed.erase(std::find(removed.begin(), removed.end(), "r"));
  items.erase("r");
  Add({"r", 300, 21});
  live.push_back("r");
  ExpectTableHolds(live);
  Add({"z", 75, 22});
  live.push_back("z");
  ExpectTableHolds(live);

  // Removing all the others in yet another order leaves the table empty.
  for (const char* name : {"v", "z", "x", "p", "y", "q", "t", "r"}) {
    Remove(name);
    live.erase(std::find(live.begin(), live.end(), name));
    ExpectTableHolds(live);
  }
  EXPECT_TRUE(gKeyBindingRecords.empty());
}

}  // namespace

// A bound file deleted and another made in its folder that got the deleted
// file's inode (file systems hand freed inodes out again at once): the
// newcomer inherits neither the key shown on its item nor, at the next
// start, the binding itself.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "bindings/KeyBindings.h"
#include "bindings/key_bindings_fixture.h"
#include "menus/ItemRecords.h"
#include "platform/events/HotKeys.h"
#include "platform/files/Files.h"
#include "shell/Settings.h"
#include "support/inode_reuse.h"
#include "support/plist_support.h"

namespace {

constexpr UInt32 kKeyK = 0x28;

class KeyBindingIdentity : public bindings_test::KeyBindingsMenuTest {
 protected:
  static UInt32 Node(const std::string& path) {
    return static_cast<UInt32>(inode_reuse::InodeOf(path));
  }
  // The key the item for path shows once its binding is looked up.
  UInt16 ShownKey(const std::string& path) {
    FSRef ref = Ref(path);
    InsertFileItem(menu, CFSTR("item"), &ref, nullptr, false, CountMenuItems(menu), Node(path), 1);
    const MenuItemIndex item = CountMenuItems(menu);
    SetItemKey(menu, item, 9, cmdKey);  // whatever it showed before
    ShowItemKeyBinding(Node(path), menu, item);
    return GetMenuItemView(menu, item).value().commandKey;
  }
};

TEST_F(KeyBindingIdentity, ANewFileWithTheBoundFilesInodeDoesNotInheritItsKey) {
  const std::string a = dir / "a.txt", b = dir / "b.txt";
  plist_test::WriteFile(a, "a");
  FSRef ar = Ref(a);
  AddKeyBinding(Node(a), &ar, kKeyK, cmdKey);
  ASSERT_EQ(ShownKey(a), kKeyK);

  if (!inode_reuse::ReplaceKeepingInode(a, b, inode_reuse::MakeFile))
    GTEST_SKIP() << "this file system did not hand out a freed inode again";
  EXPECT_EQ(ShownKey(b), 0) << "b.txt shows a.txt's key";

  // Removing b.txt's (absent) binding leaves a.txt's alone.
  FSRef br = Ref(b);
  RemoveKeyBinding(Node(b), &br);
  EXPECT_TRUE(IsEventHotKeyRegistered(kKeyK, cmdKey));
  EXPECT_EQ(CFArrayGetCount(gKeyBindingEntries), 1);

  // At the next start the binding's item is missing; it does not move to
  // the newcomer b.txt.
  Restart();
  ASSERT_EQ(gKeyBindingRecords.size(), 1u);
  EXPECT_EQ(gKeyBindingRecords[0]->nodeID, 0u);
  EXPECT_EQ(ShownKey(b), 0);
}

}  // namespace

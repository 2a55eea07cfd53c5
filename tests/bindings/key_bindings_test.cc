// The key binding table: stored entries, registered hot keys, restarts, and
// an item's bound key shown in a menu.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "bindings/KeyBindings.h"
#include "bindings/key_bindings_fixture.h"
#include "hosts/sim/SimHotKeys.h"
#include "menus/ItemRecords.h"
#include "platform/events/HotKeys.h"
#include "platform/files/Aliases.h"
#include "platform/files/Files.h"
#include "platform/preferences/Preferences.h"
#include "shell/Settings.h"
#include "support/plist_support.h"

using plist_test::RunPython;

namespace {

constexpr UInt32 kKeyK = 0x28;
constexpr UInt32 kKeyF5 = 0x60;
constexpr UInt32 kOptCmd = cmdKey | optionKey;

OSStatus RecordHotKey(EventHandlerCallRef, EventRef event, void* pressed) {
  EventHotKeyID id;
  if (GetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, nullptr, sizeof id,
                        nullptr, &id) == noErr)
    static_cast<std::vector<EventHotKeyID>*>(pressed)->push_back(id);
  return noErr;
}

class KeyBindings : public bindings_test::KeyBindingsTest {
 protected:
  std::string File(const std::string& name, const std::string& content = "x") {
    plist_test::WriteFile(dir / name, content);
    return dir / name;
  }
  static UInt32 Node(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0);
    return static_cast<UInt32>(st.st_ino);
  }
  void Add(const std::string& path, UInt32 key, UInt32 mods) {
    FSRef ref = Ref(path);
    AddKeyBinding(Node(path), &ref, key, mods);
  }
  // The stored alias record of path, as Python's bytes literal.
  static std::string AliasLiteral(const std::string& path) {
    FSRef ref = Ref(path);
    AliasHandle alias = nullptr;
    EXPECT_EQ(FSNewAlias(nullptr, &ref, &alias), noErr);
    std::string literal = "bytes([";
    for (Size i = 0; i < GetHandleSize(alias); ++i)
      literal += std::to_string(static_cast<UInt8>((*alias)[i])) + ",";
    DisposeHandle(alias);
    return literal + "])";
  }
  // Writes "Key Bindings" as another program would; entries are Python dict
  // literals.
  void StoreWithPython(const std::vector<std::string>& entries) {
    std::string list;
    for (const auto& e : entries) list += e + ",";
    plist_test::MakeFolders(dir / "config/korvane");
    ASSERT_TRUE(RunPython("plistlib.dump({'Key Bindings': [" + list + "]}, open('" + PrefFile() +
                          "', 'wb'))\n"));
  }
  std::string PrefFile() const { return dir / "config/korvane/com.talvik.korvane.plist"; }
  std::string ReadWithPython(const std::string& program) {
    return RunPython("v = plistlib.load(open('" + PrefFile() + "', 'rb'))['Key Bindings']\n" +
                     program)
        .value_or("python could not read it");
  }
  const KeyBindingRecord* RecordFor(const std::string& path) {
    for (const auto& r : gKeyBindingRecords)
      if (r->nodeID == Node(path)) return r.get();
    return nullptr;
  }
  bool Transcribed(const std::string& line) const {
    const auto& lines = desktop.recorder.lines;
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  SimHotKeys& keys = desktop.hotKeys;
};

TEST_F(KeyBindings, AddedEntryReadsBackInPythonAndIsRegistered) {
  std::string doc = File("Résumé ü.txt");
  Add(doc, kKeyK, kOptCmd);
  EXPECT_EQ(
      ReadWithPython("e = v[0]\n"
                     "print(sorted(e), e['Hot Key'].hex(), e['URL'], type(e['Alias']).__name__)\n"),
      "['Alias', 'Hot Key', 'URL'] 0000002800000900 " + doc + " bytes\n");
  EXPECT_TRUE(IsEventHotKeyRegistered(kKeyK, kOptCmd));
  EXPECT_TRUE(Transcribed("key binding stored: key 40 mods 0x0900 ~/Résumé ü.txt"));
  ASSERT_EQ(gKeyBindingRecords.size(), 1u);
  EXPECT_EQ(gKeyBindingRecords[0]->nodeID, Node(doc));
}

TEST_F(KeyBindings, PressedHotKeyLeadsBackToItsStoredEntry) {
  std::vector<EventHotKeyID> pressed;
  const EventTypeSpec type{kEventClassKeyboard, kEventHotKeyPressed};
  EventHandlerRef handler = nullptr;
  ASSERT_EQ(InstallApplicationEventHandler(RecordHotKey, 1, &type, &pressed, &handler), noErr);
  Add(File("a"), kKeyF5, kFunctionKeyModifierBit);
  Add(File("b"), kKeyK, cmdKey);
  EXPECT_EQ(keys.Press(kKeyF5, kFunctionKeyModifierBit), noErr);
  RemoveEventHandler(handler);
  ASSERT_EQ(pressed.size(), 1u);
  EXPECT_EQ(pressed[0].id, kItemBindingHotKeyID);
  auto entry = static_cast<CFDictionaryRef>(HotKeyObjectForSignature(pressed[0].signature));
  ASSERT_TRUE(entry);
  EXPECT_EQ(CFStringToUTF8(CFDictionaryGetTyped<CFStringRef>(entry, CFSTR("URL"))), dir / "a");
  EXPECT_EQ(entry, CFArrayGetValueAtIndex(gKeyBindingEntries, 0));
}

TEST_F(KeyBindings, EntryWrittenByPythonIsRegisteredAtStart) {
  std::string app = File("Tool");
  StoreWithPython({"{'Hot Key': bytes([0,0,0,0x60, 0,2,0,0]), 'URL': '" + app + "'}"});
  Restart();
  ASSERT_EQ(gKeyBindingRecords.size(), 1u);
  EXPECT_EQ(gKeyBindingRecords[0]->nodeID, Node(app));
  EXPECT_EQ(gKeyBindingRecords[0]->keyCode, kKeyF5);
  EXPECT_EQ(gKeyBindingRecords[0]->modifiers, kFunctionKeyModifierBit);
  EXPECT_TRUE(IsEventHotKeyRegistered(kKeyF5, kFunctionKeyModifierBit));
}

TEST_F(KeyBindings, ItemIsFoundByPathFirstThenByAlias) {
  std::string byPath = File("by-path"), byAlias = File("by-alias"), other = File("other");
  std::string staleAlias = AliasLiteral(File("gone"));
  std::remove((dir / "gone").c_str());
  StoreWithPython({
      // A good path wins over a stale alias and over an alias of another file.
      "{'Hot Key': bytes(8), 'URL': '" + byPath + "', 'Alias': " + staleAlias + "}",
      "{'Hot Key': bytes([0,0,0,1,0,0,1,0]), 'URL': '" + byPath +
          "', 'Alias': " + AliasLiteral(other) + "}",
      // A stale path falls back to the alias.
      "{'Hot Key': bytes([0,0,0,2,0,0,1,0]), 'URL': '" + (dir / "moved") +
          "', 'Alias': " + AliasLiteral(byAlias) + "}",
  });
  Restart();
  ASSERT_EQ(gKeyBindingRecords.size(), 3u);
  std::multiset<UInt32> nodes;
  for (const auto& r : gKeyBindingRecords) nodes.insert(r->nodeID);
  EXPECT_EQ(nodes, (std::multiset<UInt32>{Node(byPath), Node(byPath), Node(byAlias)}));
  EXPECT_TRUE(std::is_sorted(gKeyBindingRecords.begin(), gKeyBindingRecords.end(),
                             [](const auto& a, const auto& b) { return a->nodeID < b->nodeID; }));
}

TEST_F(KeyBindings, MissingItemStillRegistersWithNodeZeroAndCannotBeRemoved) {
  std::string staleAlias = AliasLiteral(File("gone"));
  std::remove((dir / "gone").c_str());
  StoreWithPython({"{'Hot Key': bytes([0,0,0,0x7A,0,0,9,0]), 'URL': '" + (dir / "gone") +
                   "', 'Alias': " + staleAlias + "}"});
  Restart();
  ASSERT_EQ(gKeyBindingRecords.size(), 1u);
  EXPECT_EQ(gKeyBindingRecords[0]->nodeID, 0u);
  FSRef zero{};
  EXPECT_EQ(memcmp(&gKeyBindingRecords[0]->fileRef, &zero, sizeof(FSRef)), 0);
  EXPECT_TRUE(IsEventHotKeyRegistered(0x7A, 0x0900));
  RemoveKeyBinding(0, &zero);
  RemoveKeyBinding(0, nullptr);
  EXPECT_EQ(gKeyBindingRecords.size(), 1u);
  EXPECT_EQ(ReadWithPython("print(len(v))\n"), "1\n");
}

TEST_F(KeyBindings, DamagedEntriesAreSkipped) {
  std::string a = File("a");
  StoreWithPython({"{'URL': '" + a + "'}", "{'Hot Key': bytes(7), 'URL': '" + a + "'}",
                   "{'Hot Key': 'text', 'URL': '" + a + "'}", "'not a dictionary'",
                   "{'Hot Key': bytes([0,0,0,5,0,0,1,0]), 'URL': 42}"});
  Restart();
  // Only the last one has a usable "Hot Key"; its URL is no string, so its
  // item is missing.
  ASSERT_EQ(gKeyBindingRecords.size(), 1u);
  EXPECT_EQ(gKeyBindingRecords[0]->keyCode, 5u);
  EXPECT_EQ(gKeyBindingRecords[0]->nodeID, 0u);
}

TEST_F(KeyBindings, RefusedHotKeyKeepsTheStoredEntry) {
  keys.MarkTaken(kKeyK, cmdKey);
  Add(File("a"), kKeyK, cmdKey);
  EXPECT_TRUE(gKeyBindingRecords.empty());
  EXPECT_EQ(ReadWithPython("print(len(v))\n"), "1\n");
  // A second item with a combination already bound is refused as well.
  Add(File("b"), kKeyF5, 0);
  Add(File("c"), kKeyF5, 0);
  ASSERT_EQ(gKeyBindingRecords.size(), 1u);
  EXPECT_EQ(gKeyBindingRecords[0]->nodeID, Node(dir / "b"));
  EXPECT_EQ(ReadWithPython("print(len(v))\n"), "3\n");
}

TEST_F(KeyBindings, AddWithoutAPathStoresNothing) {
  std::string doc = File("doc");
  FSRef ref = Ref(doc);
  std::remove(doc.c_str());
  AddKeyBinding(1234, &ref, kKeyK, cmdKey);
  AddKeyBinding(1234, nullptr, kKeyK, cmdKey);
  EXPECT_TRUE(gKeyBindingRecords.empty());
  EXPECT_EQ(CFArrayGetCount(gKeyBindingEntries), 0);
  EXPECT_FALSE(IsEventHotKeyRegistered(kKeyK, cmdKey));
}

TEST_F(KeyBindings, RemoveUnregistersThatHotKeyAndDeletesTheFirstEntryWithItsBytes) {
  std::string x = File("x"), y = File("y"), z = File("z");
  // y's entry comes first with the same combination as x's, but only x's
  // own entry is registered here.
  StoreWithPython({"{'Hot Key': bytes([0,0,0,0x28,0,0,9,0]), 'URL': '" + y + "'}",
                   "{'Hot Key': bytes([0,0,0,0x28,0,0,9,0]), 'URL': '" + x + "'}",
                   "{'Hot Key': bytes([0,0,0,0x60,0,2,0,0]), 'URL': '" + z + "'}"});
  Restart();
  UnloadKeyBindings();
  FSRef xr = Ref(x), zr = Ref(z);
  RegisterKeyBinding(Node(x), &xr,
                     static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(gKeyBindingEntries, 1)));
  RegisterKeyBinding(Node(z), &zr,
                     static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(gKeyBindingEntries, 2)));
  RemoveKeyBinding(Node(x), &xr);
  EXPECT_FALSE(IsEventHotKeyRegistered(kKeyK, kOptCmd));
  EXPECT_TRUE(IsEventHotKeyRegistered(kKeyF5, kFunctionKeyModifierBit));
  ASSERT_EQ(gKeyBindingRecords.size(), 1u);
  EXPECT_EQ(gKeyBindingRecords[0]->nodeID, Node(z));
  EXPECT_EQ(ReadWithPython("print([e['URL'][-1] for e in v])\n"), "['x', 'z']\n");
  EXPECT_TRUE(Transcribed("key binding deleted: key 40 mods 0x0900 ~/y"));
  EXPECT_TRUE(Transcribed("hot key unregistered: key 40 mods 0x0900"));
}

TEST_F(KeyBindings, RemoveFindsTheRecordOfThatFileAmongEqualNodeIDs) {
  std::string a = File("a"), b = File("b");
  FSRef ar = Ref(a), br = Ref(b);
  // The same node ID on two volumes: only the file reference tells them apart.
  AddKeyBinding(77, &ar, 1, cmdKey);
  AddKeyBinding(77, &br, 2, cmdKey);
  RemoveKeyBinding(77, &br);
  ASSERT_EQ(gKeyBindingRecords.size(), 1u);
  EXPECT_EQ(gKeyBindingRecords[0]->keyCode, 1u);
  EXPECT_TRUE(IsEventHotKeyRegistered(1, cmdKey));
  EXPECT_FALSE(IsEventHotKeyRegistered(2, cmdKey));
  RemoveKeyBinding(78, &ar);  // no record with that node ID
  EXPECT_EQ(gKeyBindingRecords.size(), 1u);
}

TEST_F(KeyBindings, BindingsAddedAndRemovedPersistAcrossARestart) {
  std::string a = File("a"), b = File("b"), c = File("c");
  Add(a, 1, cmdKey);
  Add(b, 2, cmdKey);
  Add(c, 3, cmdKey);
  Restart();
  EXPECT_EQ(gKeyBindingRecords.size(), 3u);
  FSRef br = Ref(b);
  RemoveKeyBinding(Node(b), &br);
  Restart();
  ASSERT_EQ(gKeyBindingRecords.size(), 2u);
  EXPECT_TRUE(RecordFor(a) && RecordFor(c));
  EXPECT_FALSE(RecordFor(b));
  EXPECT_FALSE(IsEventHotKeyRegistered(2, cmdKey));
  EXPECT_EQ(ReadWithPython("print(len(v))\n"), "2\n");
}

TEST_F(KeyBindings, AHotKeyLongerThanEightBytesIsReadByItsFirstEight) {
  std::string a = File("a");
  // Option-Command-K, then two stray bytes.
  StoreWithPython({"{'Hot Key': bytes([0,0,0,0x28, 0,0,9,0, 0xAB,0xCD]), 'URL': '" + a + "'}"});
  Restart();
  ASSERT_EQ(gKeyBindingRecords.size(), 1u);
  EXPECT_EQ(gKeyBindingRecords[0]->keyCode, kKeyK);
  EXPECT_EQ(gKeyBindingRecords[0]->modifiers, kOptCmd);
  EXPECT_TRUE(IsEventHotKeyRegistered(kKeyK, kOptCmd));
  EXPECT_TRUE(CheckKeyBindingEntry(
      static_cast<CFTypeRef>(CFArrayGetValueAtIndex(gKeyBindingEntries, 0)), nullptr));
  // Removing it finds the entry by those first 8 bytes.
  FSRef ar = Ref(a);
  RemoveKeyBinding(Node(a), &ar);
  EXPECT_EQ(ReadWithPython("print(len(v))\n"), "0\n");
}

TEST_F(KeyBindings, APathThatIsNotUTF8IsRefusedWithABeepAndBlocksNothing) {
  std::string odd = File("caf\xE9.txt");  // Latin-1, not UTF-8
  std::string good = File("good.txt");
  FSRef ref = Ref(odd);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(AddKeyBinding(Node(odd), &ref, kKeyK, cmdKey));
  const std::string err = testing::internal::GetCapturedStderr();
  const std::string line =
      "key binding for ~/caf\\xE9.txt not stored: the path is not valid UTF-8, so the preference "
      "file cannot hold it";
  EXPECT_TRUE(Transcribed(line));
  EXPECT_NE(err.find("korvane: " + line), std::string::npos) << err;
  EXPECT_TRUE(Transcribed("beep"));
  EXPECT_EQ(CFArrayGetCount(gKeyBindingEntries), 0);
  EXPECT_TRUE(gKeyBindingRecords.empty());
  EXPECT_FALSE(IsEventHotKeyRegistered(kKeyK, cmdKey));
  EXPECT_TRUE(
      std::none_of(desktop.recorder.lines.begin(), desktop.recorder.lines.end(),
                   [](const std::string& l) { return l.starts_with("key binding stored"); }));

  // The next binding is made as usual.
  FSRef goodRef = Ref(good);
  EXPECT_TRUE(AddKeyBinding(Node(good), &goodRef, kKeyF5, 0));
  EXPECT_EQ(ReadWithPython("print([e['URL'][-1] for e in v])\n"), "['t']\n");
}

TEST_F(KeyBindings, AnOddPathNeverCostsTheBindingsMadeAfterIt) {
  // A control character in a path: whether the preference file can hold it
  // or not, "stored" is said only of what the file holds, and the bindings
  // made after it are saved all the same.
  std::string bell = File("ring\x07.txt"), later = File("later.txt");
  FSRef bellRef = Ref(bell), laterRef = Ref(later);
  const bool bellStored = AddKeyBinding(Node(bell), &bellRef, kKeyK, cmdKey);
  EXPECT_EQ(Transcribed("key binding stored: key 40 mods 0x0100 ~/ring\x07.txt"), bellStored);
  EXPECT_EQ(Transcribed("beep"), !bellStored);
  EXPECT_TRUE(AddKeyBinding(Node(later), &laterRef, kKeyF5, kFunctionKeyModifierBit));
  Restart();
  EXPECT_TRUE(RecordFor(later)) << "the later binding survives a restart";
  EXPECT_EQ(RecordFor(bell) != nullptr, bellStored);
  EXPECT_EQ(ReadWithPython("print(len(v))\n"), bellStored ? "2\n" : "1\n");
}

TEST_F(KeyBindings, ABindingThatCannotBeSavedIsNotMadeAndSaysSo) {
  std::string a = File("a"), b = File("b");
  FSRef ar = Ref(a), br = Ref(b);
  // The configuration folder's place is taken by a file: nothing can be
  // written there (root included, unlike a read-only folder).
  std::filesystem::rename(dir / "config/korvane", dir / "config/moved");
  plist_test::WriteFile(dir / "config/korvane", "not a folder");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(AddKeyBinding(Node(a), &ar, kKeyK, cmdKey));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(Transcribed("key binding for ~/a could not be saved; it is not made"));
  EXPECT_NE(err.find("korvane: key binding for ~/a could not be saved"), std::string::npos) << err;
  EXPECT_TRUE(Transcribed("beep"));
  EXPECT_FALSE(Transcribed("key binding stored: key 40 mods 0x0100 ~/a"));
  EXPECT_TRUE(gKeyBindingRecords.empty());
  EXPECT_FALSE(IsEventHotKeyRegistered(kKeyK, cmdKey));
  EXPECT_EQ(CFArrayGetCount(gKeyBindingEntries), 0);

  // Once the folder is back, the next binding is saved, and only that one:
  // the one refused is not left waiting to be written with it.
  std::remove((dir / "config/korvane").c_str());
  std::filesystem::rename(dir / "config/moved", dir / "config/korvane");
  EXPECT_TRUE(AddKeyBinding(Node(b), &br, kKeyF5, 0));
  EXPECT_EQ(ReadWithPython("print([e['URL'][-1] for e in v])\n"), "['b']\n");
  Restart();
  EXPECT_TRUE(RecordFor(b));
  EXPECT_FALSE(RecordFor(a));
}

TEST_F(KeyBindings, ARemovalThatCannotBeSavedIsReported) {
  std::string a = File("a");
  FSRef ar = Ref(a);
  ASSERT_TRUE(AddKeyBinding(Node(a), &ar, kKeyK, cmdKey));
  std::filesystem::rename(dir / "config/korvane", dir / "config/moved");
  plist_test::WriteFile(dir / "config/korvane", "not a folder");
  RemoveKeyBinding(Node(a), &ar);
  EXPECT_FALSE(IsEventHotKeyRegistered(kKeyK, cmdKey)) << "gone for this run";
  EXPECT_TRUE(
      Transcribed("the removal of key binding (key 40 mods 0x0100 ~/a) could not be "
                  "saved; it comes back at the next start"));
  EXPECT_FALSE(Transcribed("key binding deleted: key 40 mods 0x0100 ~/a"));
  std::remove((dir / "config/korvane").c_str());
  std::filesystem::rename(dir / "config/moved", dir / "config/korvane");
  Restart();
  EXPECT_TRUE(RecordFor(a)) << "the file still holds it";
}

// ------------------------------------------------------- showing a key

class ItemKeys : public KeyBindings {
 protected:
  void SetUp() override {
    KeyBindings::SetUp();
    ASSERT_EQ(CreateAgentMenu(&menu), noErr);
  }
  void TearDown() override {
    DisposeMenuTree(menu);
    KeyBindings::TearDown();
  }
  MenuItemIndex Insert(const std::string& path) {
    FSRef ref = Ref(path);
    InsertFileItem(menu, CFSTR("item"), &ref, nullptr, false, CountMenuItems(menu), Node(path), 1);
    return CountMenuItems(menu);
  }
  MenuItemView View(MenuItemIndex item) { return GetMenuItemView(menu, item).value(); }
  MenuRef menu = nullptr;
};

TEST_F(ItemKeys, KeysShowAsGlyphsOrVirtualKeysWithMenuModifiers) {
  MenuItemIndex item = Insert(File("a"));
  SetItemKey(menu, item, kKeyK, kOptCmd);
  EXPECT_EQ(View(item).commandKey, kKeyK);
  EXPECT_TRUE(View(item).isVirtualKey);
  EXPECT_EQ(View(item).modifiers, kMenuOptionModifier);
  EXPECT_EQ(View(item).glyph, 0);
  // A glyph key replaces the virtual key entirely.
  SetItemKey(menu, item, kKeyF5, kFunctionKeyModifierBit);
  EXPECT_EQ(View(item).glyph, 0x73);
  EXPECT_EQ(View(item).commandKey, 0);
  EXPECT_FALSE(View(item).attributes & kMenuItemAttrUseVirtualKey);
  EXPECT_EQ(View(item).modifiers, kMenuNoCommandModifier);
  SetItemKey(menu, item, 0x7E, controlKey | shiftKey);
  EXPECT_EQ(View(item).glyph, 0x19);
  EXPECT_EQ(View(item).modifiers, 1 + 4 + 8);
  ClearItemKey(menu, item);
  EXPECT_EQ(View(item).glyph, 0);
  EXPECT_EQ(View(item).commandKey, 0);
}

TEST_F(ItemKeys, CommandAIsShownThoughItsKeyCodeIsZero) {
  MenuItemIndex item = Insert(File("a"));
  constexpr UInt32 kKeyA = 0;
  SetItemKey(menu, item, kKeyA, cmdKey);
  EXPECT_TRUE(View(item).hasKeyEquivalent);
  EXPECT_TRUE(View(item).isVirtualKey);
  EXPECT_EQ(View(item).commandKey, kKeyA);
  EXPECT_EQ(View(item).modifiers, 0) << "command only";
  ClearItemKey(menu, item);
  EXPECT_FALSE(View(item).hasKeyEquivalent);
}

TEST_F(ItemKeys, OnlyShiftOptionControlAndCommandAreShown) {
  EXPECT_EQ(MenuModifiersForMask(cmdKey), 0);
  EXPECT_EQ(MenuModifiersForMask(0), 8);
  EXPECT_EQ(MenuModifiersForMask(cmdKey | shiftKey | optionKey | controlKey), 7);
  EXPECT_EQ(MenuModifiersForMask(optionKey | kFunctionKeyModifierBit | alphaLock), 2 + 8);
}

TEST_F(ItemKeys, ShowPicksTheRecordWhoseFileIsTheItems) {
  std::string a = File("a"), b = File("b"), c = File("c");
  FSRef ar = Ref(a), br = Ref(b);
  AddKeyBinding(500, &ar, 1, cmdKey);
  AddKeyBinding(500, &br, 2, cmdKey);
  FSRef cr = Ref(c);
  for (const FSRef* ref : {&br, &ar, &cr})
    InsertFileItem(menu, CFSTR("i"), ref, nullptr, false, CountMenuItems(menu), 500, 1);
  InsertFileItem(menu, CFSTR("no file"), nullptr, nullptr, false, 9, 0, 0);
  for (MenuItemIndex i = 1; i <= 4; ++i) {
    SetItemKey(menu, i, 9, cmdKey);
    ShowItemKeyBinding(500, menu, i);
  }
  EXPECT_EQ(View(1).commandKey, 2);
  EXPECT_EQ(View(2).commandKey, 1);
  EXPECT_EQ(View(3).commandKey, 0) << "no record for c: cleared";
  EXPECT_EQ(View(4).commandKey, 9) << "an item without a file is left alone";
}

TEST(HotKeySignatures, HandlesArePrintableNonZeroAndNotReusedWhileHeld) {
  int a = 0, b = 0;
  EXPECT_EQ(HotKeySignatureFor(nullptr), 0u);
  EXPECT_EQ(HotKeyObjectForSignature(0), nullptr);
  UInt32 sa = HotKeySignatureFor(&a);
  UInt32 sb = HotKeySignatureFor(&b);
  ASSERT_NE(sa, 0u);
  EXPECT_NE(sa, sb);
  EXPECT_EQ(FourCCString(sa).size(), 4u);
  EXPECT_EQ(HotKeySignatureFor(&a), sa) << "one handle per object";
  ReleaseHotKeySignature(sa);
  EXPECT_EQ(HotKeyObjectForSignature(sa), &a) << "one use is left";
  ReleaseHotKeySignature(sa);
  EXPECT_EQ(HotKeyObjectForSignature(sa), nullptr);
  EXPECT_EQ(HotKeyObjectForSignature(sb), &b);
  int c = 0;
  UInt32 sc = HotKeySignatureFor(&c);
  EXPECT_NE(sc, sa) << "a released handle is not handed out again at once";
  ReleaseHotKeySignature(sb);
  ReleaseHotKeySignature(sc);
}

}  // namespace

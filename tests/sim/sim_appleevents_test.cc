// The simulated desktop's receivers of the Apple events the agent sends.
#include <gtest/gtest.h>

#include "hosts/sim/SimDesktop.h"

namespace {

OSErr SendBySignature(OSType signature, AESendMode mode, AppleEvent* reply) {
  AEAddressDesc address;
  AppleEvent event;
  if (OSErr err = AECreateDesc(typeApplSignature, &signature, sizeof signature, &address))
    return err;
  OSErr err = AECreateAppleEvent(kAEMiscStandards, kAEMakeObjectsVisible, &address,
                                 kAutoGenerateReturnID, kAnyTransactionID, &event);
  AEDisposeDesc(&address);
  if (err != noErr) return err;
  (void)AEPutParamPtr(&event, keyDirectObject, typeUTF8Text, "x", 1);
  err = AESend(&event, reply, mode, kAENormalPriority, kAEDefaultTimeout, nullptr, nullptr);
  AEDisposeDesc(&event);
  return err;
}

TEST(SimAppleEvents, EventsReachTheProcessTheirAddressNamesAndAreRecorded) {
  SimDesktop desktop;
  SimProcess finder;
  finder.name = "Finder";
  finder.type = FourCC("FNDR");
  finder.creator = FourCC("MACS");
  const ProcessSerialNumber finderPSN = desktop.processes.AddProcess(finder);

  EXPECT_EQ(SendBySignature('nope', kAENoReply, nullptr), procNotFound);
  EXPECT_TRUE(desktop.appleEvents.delivered.empty());
  EXPECT_EQ(desktop.recorder.lines.back().rfind("apple event reaches nobody: 'misc'/'mvis'", 0), 0u)
      << desktop.recorder.lines.back();

  std::optional<ProcessSerialNumber> answeredFor;
  desktop.appleEvents.answer = [&](const ProcessSerialNumber& to, const AppleEvent&,
                                   AppleEvent*) -> OSErr {
    answeredFor = to;
    return fnfErr;
  };
  AppleEvent reply;
  ASSERT_EQ(SendBySignature('MACS', kAEWaitReply, &reply), noErr);
  ASSERT_EQ(desktop.appleEvents.delivered.size(), 1u);
  EXPECT_NE(desktop.appleEvents.delivered[0].find("\"x\""), std::string::npos)
      << "recorded with its parameters: " << desktop.appleEvents.delivered[0];
  EXPECT_EQ(desktop.recorder.lines.back().rfind("apple event to Finder: 'misc'/'mvis'", 0), 0u);
  ASSERT_TRUE(answeredFor);
  EXPECT_EQ(*answeredFor, finderPSN);
  // The receiver's failure travels in the reply, not as the send's result.
  SInt32 error = 0;
  Size size = 0;
  ASSERT_EQ(AEGetParamPtr(&reply, keyErrorNumber, typeSInt32, nullptr, &error, sizeof error, &size),
            noErr);
  EXPECT_EQ(error, fnfErr);
  AEDisposeDesc(&reply);
}

}  // namespace

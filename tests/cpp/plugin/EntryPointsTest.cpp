// The entry points and the callback object they create.
#include <gtest/gtest.h>

#include "host/HostInterp.h"
#include "plugin/EntryPoints.h"
#include "plugin/ReportAppCallBack.h"
#include "support/TestSupport.h"

namespace {

TEST(EntryPoints, ExitAppReturnsOneAndFreesNothing) {
  CReportAppCallBack* before = GetReportAppCallBack();
  EXPECT_EQ(ExitApp(), 1);
  EXPECT_EQ(GetReportAppCallBack(), before);
  EXPECT_EQ(Tcl("GetGateInfo -period"), "0");
}

TEST(EntryPoints, ASecondInitKeepsTheCallBackObjectAndItsValues) {
  CReportAppCallBack* first = GetReportAppCallBack();
  ASSERT_NE(first, nullptr);
  Tcl("SetRTLInfo -comparators 17");
  EXPECT_EQ(InitApp(), 1);
  EXPECT_EQ(GetReportAppCallBack(), first);
  // The new application's commands have every switch and see the same stores.
  EXPECT_EQ(Tcl("GetRTLInfo -comparators"), "17");
  Tcl("SetGateInfo -levelsoflogiccount 3");
  EXPECT_EQ(Tcl("GetGateInfo -levelsoflogiccount"), "3");
}

TEST(EntryPoints, InitReturnsThreeWhenRegistrationFails) {
  CScopedHostInterp none(nullptr);
  EXPECT_EQ(InitApp(), 3);
}

TEST(CallBackStores, EveryStoreIsNamedReportAndNeverForwards) {
  CReportAppCallBack* callBack = GetReportAppCallBack();
  for (const COptions* store :
       {callBack->fixedPointInfo.get(), callBack->rtlInfo.get(), callBack->synthInfo.get(),
        callBack->gateInfo.get(), callBack->versionInfo.get()}) {
    EXPECT_EQ(store->GetStoreName(), "Report");
    EXPECT_FALSE(store->MirrorsToProject());
  }
  Tcl("set ::DesignFlowMgr::options {}");
  Tcl("SetRTLInfo -latency 4");
  EXPECT_EQ(Tcl("set ::DesignFlowMgr::options"), "");
}

TEST(CallBackStores, EachSetHasItsKeysWithDefaultZero) {
  CReportAppCallBack* callBack = GetReportAppCallBack();
  CTclDataObj gate;
  gate.MakeList();
  callBack->gateInfo->AppendReportList(gate);
  EXPECT_EQ(gate.GetNumElements(), 17);
  CTclDataObj version;
  version.MakeList();
  callBack->versionInfo->AppendReportList(version);
  EXPECT_EQ(version.GetNumElements(), 5);
  EXPECT_TRUE(callBack->fixedPointInfo->HasOption("-estimatediocount"));
  EXPECT_TRUE(callBack->synthInfo->HasOption("-latchcount"));
  EXPECT_EQ(callBack->synthInfo->GetOptionValue("-latchcount"), "0");
}

}  // namespace

// The GenerateVerifyReport command: one HTML report per timing file, and the
// design's latency and clock extremes as the result.
#pragma once

#include "host/AppMgr.h"

TAppStatus RunGenerateVerifyReport(CCmdArguments* args, CTclResultObj* result);

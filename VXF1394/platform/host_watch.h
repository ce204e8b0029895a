// host_watch.h - what keeps the survey of the machine's disks current: disk events, mount and swap table changes.
#pragma once

namespace vxf1394::platform {

// Takes in what changed since the last call and lets the enumeration keep
// its survey of the machine's disks while every change is heard of (disks
// coming and going, media, mounts, swap areas), forgetting it at each.
// Called where the drive list is read, not by sector requests. Where a
// change cannot be heard (no disk monitor, the tables not pollable, a
// test's host folder) the survey is made afresh every time, as before.
void reviewHostSurvey();

}  // namespace vxf1394::platform

// Which input device a name in the device list stands for. The list follows the system, so a
// device is known by its name, not by its position: the position of a device that went away would
// open another one. Devices of the same name are told apart by their order.
#pragma once

// Position of the occurrence-th device (0 = the first) called name among count names; -1 when
// there is none.
int FindDevice(const char16_t* const* names, int count, const char16_t* name, int occurrence);
// How many devices before position carry the same name as the one at position.
int DeviceOccurrence(const char16_t* const* names, int position);

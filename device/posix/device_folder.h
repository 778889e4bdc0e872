#pragma once

#include <string>

namespace solvane {

// The folder that holds one SOCK_SEQPACKET socket per connected writer of an
// interface class: "<base>/<class GUID text>", where base is $SOLVANE_DEVICE_DIR
// when set, else $XDG_RUNTIME_DIR/solvane/devices, else /tmp/solvane-<uid>/devices.
std::string DeviceFolder(const std::string& interfaceClassText);

}  // namespace solvane

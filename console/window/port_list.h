// The console window's port list: "Com1" to "Com16", then each port above 16 that the system
// has, so that a board on an adapter numbered COM17 or above can be reached too.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace port_list {

// The port number of each entry, in list order: 1 to 16, then those of the system's port names
// above 16, in increasing order, each once.
std::vector<int> Ports(const std::vector<std::string>& systemPorts);

// The entry's text, "Com17" for port 17.
std::string EntryText(int port);

// The number of a system port name, "COM17" in any case; nothing for a name that is none (some
// drivers name their ports otherwise) or beyond the 4096 numbers that Windows gives COM ports.
std::optional<int> PortNumber(std::string_view name);

}  // namespace port_list

#include "port_list.h"

#include <algorithm>

namespace port_list {

namespace {

const int kListed = 16;  // Com1 to Com16 are always in the list
const int kMaxPort = 4096;

}  // namespace

std::vector<int> Ports(const std::vector<std::string>& systemPorts) {
    std::vector<int> above;
    for (const std::string& name : systemPorts)
        if (auto number = PortNumber(name); number && *number > kListed) above.push_back(*number);
    std::sort(above.begin(), above.end());
    above.erase(std::unique(above.begin(), above.end()), above.end());
    std::vector<int> ports;
    for (int port = 1; port <= kListed; ++port) ports.push_back(port);
    ports.insert(ports.end(), above.begin(), above.end());
    return ports;
}

std::string EntryText(int port) { return "Com" + std::to_string(port); }

std::optional<int> PortNumber(std::string_view name) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (name.size() < 4 || upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M' || name[3] == '0')
        return std::nullopt;
    int number = 0;
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
        if (number > kMaxPort) return std::nullopt;
    }
    return number;
}

}  // namespace port_list

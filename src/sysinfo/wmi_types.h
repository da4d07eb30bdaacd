// The answer of a WMI query: instance number (0, 1, ... in the order WMI
// returned the instances) to one text per requested property, in the order
// the properties were requested.
#pragma once

#include <map>
#include <string>
#include <vector>

using WmiInstanceMap = std::map<int, std::vector<std::wstring>>;

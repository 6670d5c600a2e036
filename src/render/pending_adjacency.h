// An adjacency list (three entries per face) being worked out on another thread.
#pragma once

#include <cstdint>
#include <future>
#include <vector>

using PendingAdjacency = std::shared_future<std::vector<uint32_t>>;

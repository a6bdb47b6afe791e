#pragma once
// Which of several computers answer SMB at all, asked all at once on one
// thread: a TCP connection to port 445 and an SMB2 NEGOTIATE request, and the
// first byte of any answer counts. A computer that accepts and never answers
// costs the one deadline that all of them share.
#include <functional>
#include <string>
#include <vector>

#include "HostLookup.h"
#include "netenum/CallControl.h"

namespace smb {

// How many computers are asked at the same moment; the rest wait for a slot.
constexpr std::size_t kProbesInFlight = 64;

// One status per host: 0 when it answered, 11001 when its name does not
// resolve, 53 when it refused, could not be reached or had not answered by
// the current call's deadline, 1223 when it was never asked because the time
// ran out first. `answered` runs for each host as soon as it answers, so that
// work on the live ones need not wait for the dead ones to time out.
std::vector<netapi::NET_API_STATUS> ProbeSmb(const std::vector<std::string>& hosts,
                                             const std::function<void(std::size_t)>& answered,
                                             unsigned short port = 445);

}  // namespace smb

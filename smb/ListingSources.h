#pragma once
// Where a listing finds computers besides the named ones: the network
// (discovery) and the domain's directory. Each source is asked once per
// listing, within the listing's call.
#include <functional>
#include <string>
#include <vector>

namespace smb {

// A computer found on the network: the name it gave (may be empty) and the
// address it answered from.
struct Candidate {
    std::u16string name;
    std::string address;
};
// Where NetServerEnum finds computers besides the known ones, asked once per
// listing, beside the directory read, within the listing's call; none by
// default (the program installs discovery when it is on). What it finds
// belongs to that one listing: it is listed as FoundName says, reached at
// its address, asked for its type without a password, and never changes
// where a name the administrator wrote resolves.
void SetCandidateSource(std::function<std::vector<Candidate>()> source);

// Where NetServerEnum finds the computers of the domain's directory (DNS host
// names), asked once per listing. By default: the domain of the user's
// Kerberos ticket, read over LDAP from one of its controllers (none without a
// ticket); nullptr restores that.
void SetDirectorySource(std::function<std::vector<std::u16string>()> source);

// The sources as set now (empty when none is set).
std::function<std::vector<Candidate>()> CandidateSource();
std::function<std::vector<std::u16string>()> DirectorySource();

}  // namespace smb

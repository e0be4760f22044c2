// The programs the benchmarks compare with, timed in seconds: tar over a TCP
// socket, a first copy from an rsync daemon, and md5sum over a tree.
#ifndef QORV_BENCH_PEER_COPIES_H_
#define QORV_BENCH_PEER_COPIES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace qorv::bench {

// A loopback port free at the time of asking.
uint16_t FreeLoopbackPort();

// `source` packed by tar, sent over a loopback TCP connection and unpacked
// into `target` (made here). Needs bash, tar and python3, which receives.
double TarOverTcp(const std::string& source, const std::string& target);

// `source` fetched into `target` by rsync -a from an rsync daemon on
// loopback, whose configuration file goes in `workspace`. Only the fetch is
// timed.
double RsyncFirstCopy(const std::string& workspace, const std::string& source,
                      const std::string& target);

// `target_file`, holding an older version, brought up to
// `source`/`file_name` by rsync from a daemon on loopback, with MD4 block
// checksums (--checksum-choice=md4) and times ignored so that the file is
// always compared. *received is the bytes the client received, as rsync's
// --stats counts them. Only the fetch is timed.
double RsyncDeltaCopy(const std::string& workspace, const std::string& source,
                      const std::string& file_name, const std::string& target_file,
                      uint64_t* received);

// `root`/<file> for every file digested by one md5sum process.
double Md5sumFiles(const std::string& root, const std::vector<std::string>& files);

}  // namespace qorv::bench

#endif  // QORV_BENCH_PEER_COPIES_H_

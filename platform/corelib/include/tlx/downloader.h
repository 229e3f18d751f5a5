// The core library's downloader: the answer of an address as text or into a file, over HTTP,
// HTTPS (certificates verified) or from a file:// address (a folder standing in for a server).
// A download has a time-out for connecting and one for the whole, a size limit and a limit on
// redirects (to HTTP and HTTPS only). While it waits, pending window events run, and it ends
// at once, as failed, when the thread's waits are cancelled or its STOP flag is set (another
// thread's way to end it). A download may be tried again after a failure; its time limits hold
// for all its tries together. Why a download failed is said in the core library's language,
// with the transfer library's own reason in brackets.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "tlx/object.h"

namespace tlx {

class cls_CoreDownloader : public Object {
  public:
    double CONNECTTIMEOUT = 10.0;       // seconds
    double TIMEOUT = 120.0;             // seconds for the whole download
    std::int64_t MAXSIZE = 64ll << 20;  // bytes; a larger answer fails
    std::int32_t MAXREDIRECTS = 5;
    // A download that fails, or brings an empty answer, is tried again this many times, each
    // after a quarter of a second (window events run meanwhile), while its time lasts; an
    // empty answer of the last try then counts as failed.
    std::int32_t RETRIES = 0;
    // Only http and https, for an address that a catalogue or an update description gave: a
    // local file behind such an address is nobody's to copy. An https address is never
    // redirected to plain http.
    bool WEBONLY = false;
    // When set and true, the download ends at once as failed.
    std::shared_ptr<const std::atomic<bool>> STOP;

    // The answer of `pUrl` as text; "" when the download failed (LASTERROR says why).
    std::string DOWNLOADTEXT(const std::string& pUrl);
    // Stores the answer of `pUrl` in `pFile`: written under a temporary name beside it and
    // renamed when complete, so `pFile` is never half written. False when it failed; `pFile`
    // is then as it was.
    bool DOWNLOADFILE(const std::string& pUrl, const std::string& pFile);
    // Why the last download failed; "" after a success.
    const std::string& LASTERROR() const { return lastError_; }

  private:
    std::string lastError_;
};

}  // namespace tlx

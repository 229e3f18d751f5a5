// The maker's driver catalogue fetched on a thread of its own, so that a window stays usable
// while a slow or silent server is asked. The thread shares nothing with the library's
// objects: it is given the address and hands back the text once, when it has ended.
// Destroying the fetch stops the download at once and waits for the thread.
#pragma once

#include <atomic>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace vodex {

class CatalogueFetch {
  public:
    struct Result {
        std::string text;  // "" when the catalogue could not be fetched
        std::string why;   // why not, in the interface language; "" after a success
    };

    // Starts fetching `address`, in the interface language of the calling thread.
    explicit CatalogueFetch(std::string address);
    ~CatalogueFetch();
    CatalogueFetch(const CatalogueFetch&) = delete;
    CatalogueFetch& operator=(const CatalogueFetch&) = delete;

    // The result once the fetch has ended, else nothing; given once.
    std::optional<Result> Take();
    // Waits until the fetch has ended (a program without windows, or a test).
    void Wait() const;

  private:
    std::shared_ptr<std::atomic<bool>> stop_;
    std::future<Result> result_;
    std::thread thread_;
};

}  // namespace vodex

#include "vodex/tools/catalogue_fetch.h"

#include <chrono>

#include "tlx/tools.h"
#include "vodex/tools/driver_catalogue.h"

namespace vodex {

CatalogueFetch::CatalogueFetch(std::string address)
    : stop_(std::make_shared<std::atomic<bool>>(false)) {
    std::promise<Result> promise;
    result_ = promise.get_future();
    const std::int32_t language = tlx::CoreTools().LANGUAGE();
    thread_ = std::thread([address = std::move(address), stop = stop_, language,
                           promise = std::move(promise)]() mutable {
        tlx::CoreTools().LANGUAGE(language);  // the reasons in the caller's language
        Result result;
        result.text = DriverCatalogue::Download(address, stop, result.why);
        promise.set_value(std::move(result));
    });
}

CatalogueFetch::~CatalogueFetch() {
    stop_->store(true);
    if (thread_.joinable()) thread_.join();
}

std::optional<CatalogueFetch::Result> CatalogueFetch::Take() {
    if (!result_.valid() ||
        result_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return std::nullopt;
    }
    return result_.get();
}

void CatalogueFetch::Wait() const {
    if (result_.valid()) result_.wait();
}

}  // namespace vodex

#include "tlx/downloader.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>

#include "tlx/clock.h"
#include "tlx/log.h"
#include "tlx/pump.h"
#include "tlx/text.h"
#include "tlx/tools.h"

namespace tlx {
namespace {

constexpr int kSliceMs = 20;  // how often window events run during a download

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Sink {
    std::function<bool(const char*, std::size_t)> write;  // False: stop the download
    std::int64_t limit = 0;
    std::int64_t received = 0;
    bool tooLarge = false;
    bool failed = false;
};

std::size_t Write(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t bytes = size * count;
    sink->received += static_cast<std::int64_t>(bytes);
    if (sink->received > sink->limit) {
        sink->tooLarge = true;
        return 0;
    }
    if (!sink->write(data, bytes)) {
        sink->failed = true;
        return 0;
    }
    return bytes;
}

using Clock = std::chrono::steady_clock;

std::string Unwritable(const std::string& file, const std::string& why) {
    return CoreText("'" + file + "' kann nicht geschrieben werden (" + why + ")",
                    "'" + file + "' cannot be written (" + why + ")");
}

std::string NotDownloaded(const std::string& url, const std::string& why) {
    return CoreText("'" + url + "' konnte nicht heruntergeladen werden (" + why + ")",
                    "'" + url + "' cannot be downloaded (" + why + ")");
}

bool Stopped(const cls_CoreDownloader& d) {
    return WaitsCancelled() || (d.STOP && d.STOP->load());
}

// Runs the download of `url` into `sink` until `deadline`; "" on success, else why it failed.
std::string Run(const cls_CoreDownloader& d, const std::string& url, Sink& sink,
                Clock::time_point deadline) {
    const auto time =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (time.count() <= 0) {
        return NotDownloaded(url, CoreText("die Zeit ist um", "the time is up"));
    }
    GlobalInit();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), &curl_easy_cleanup);
    std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(),
                                                                &curl_multi_cleanup);
    if (!easy || !multi) {
        return CoreText("Der Download kann nicht beginnen.", "the downloader cannot start");
    }
    char error[CURL_ERROR_SIZE] = "";
    CURL* e = easy.get();
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, d.WEBONLY ? "http,https" : "http,https,file");
    const bool secure = UCase(url.substr(0, 8)) == "HTTPS://";
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, static_cast<long>(d.MAXREDIRECTS));
    const long connect =
        std::min(static_cast<long>(d.CONNECTTIMEOUT * 1000), static_cast<long>(time.count()));
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, connect);
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(time.count()));
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(d.MAXSIZE));
    curl_easy_setopt(e, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, "vodex");
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Write);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);
    curl_multi_add_handle(multi.get(), e);
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            return CoreText("Der Download ist fehlgeschlagen.", "the downloader failed");
        }
        if (running == 0) {
            int left = 0;
            while (CURLMsg* m = curl_multi_info_read(multi.get(), &left)) {
                if (m->msg == CURLMSG_DONE) result = m->data.result;
            }
            break;
        }
        if (Stopped(d)) {
            curl_multi_remove_handle(multi.get(), e);
            return CoreText("Der Download wurde abgebrochen.", "the download was stopped");
        }
        // Without window events, a stop from another thread is seen within a tenth of a second.
        const int slice = MessagePumpInstalled() ? kSliceMs : d.STOP ? 100 : 1000;
        curl_multi_poll(multi.get(), nullptr, 0, slice, nullptr);
        PumpMessages();
    }
    curl_multi_remove_handle(multi.get(), e);
    const std::string size = std::to_string(d.MAXSIZE);
    if (sink.tooLarge) {
        return CoreText("Die Antwort ist größer als " + size + " Bytes.",
                        "the answer is larger than " + size + " bytes");
    }
    if (sink.failed) {
        return CoreText("Die Antwort kann nicht gespeichert werden.",
                        "the answer cannot be stored");
    }
    if (result != CURLE_OK) {
        return NotDownloaded(url, *error ? std::string(error) : curl_easy_strerror(result));
    }
    return {};
}

// Runs `attempt` (the download into a fresh sink; "" or why it failed, and whether the answer
// was empty) as often as `d` allows, within its time; why the last try failed, or "".
std::string Tries(const cls_CoreDownloader& d, const std::string& url,
                  const std::function<std::string(Clock::time_point, bool&)>& attempt) {
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<long long>(d.TIMEOUT * 1000));
    std::string why;
    for (std::int32_t tried = 0;; ++tried) {
        bool empty = false;
        Log(LogLevel::Info, "downloading '" + url + "'" +
                                (tried > 0 ? " (try " + std::to_string(tried + 1) + ")" : ""));
        why = attempt(deadline, empty);
        if (why.empty() && empty && d.RETRIES > 0) {
            why = CoreText("'" + url + "' gab eine leere Antwort",
                           "'" + url + "' gave an empty answer");
        }
        if (!why.empty()) Log(LogLevel::Warning, why);
        if (why.empty() || tried >= d.RETRIES || Clock::now() >= deadline || Stopped(d)) {
            return why;
        }
        const auto pause =
            std::min<Clock::duration>(std::chrono::milliseconds(250), deadline - Clock::now());
        cls_CoreClock().WAIT(std::chrono::duration<double>(pause).count());
    }
}

}  // namespace

std::string cls_CoreDownloader::DOWNLOADTEXT(const std::string& pUrl) {
    std::string text;
    lastError_ = Tries(*this, pUrl, [&](Clock::time_point deadline, bool& empty) {
        text.clear();
        Sink sink;
        sink.limit = MAXSIZE;
        sink.write = [&](const char* data, std::size_t n) {
            text.append(data, n);
            return true;
        };
        const std::string why = Run(*this, pUrl, sink, deadline);
        empty = text.empty();
        return why;
    });
    if (!lastError_.empty()) text.clear();
    return text;
}

bool cls_CoreDownloader::DOWNLOADFILE(const std::string& pUrl, const std::string& pFile) {
    namespace fs = std::filesystem;
    const fs::path target = fs::absolute(pFile);
    std::string temporary =
        (target.parent_path() / ("." + target.filename().string() + ".part-XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        lastError_ = Unwritable(pFile, std::strerror(errno));
        return false;
    }
    lastError_ = Tries(*this, pUrl, [&](Clock::time_point deadline, bool& empty) {
        // Each try writes the file from its start.
        if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
            return Unwritable(pFile, std::strerror(errno));
        }
        Sink sink;
        sink.limit = MAXSIZE;
        sink.write = [fd](const char* data, std::size_t n) {
            while (n > 0) {
                const ssize_t w = ::write(fd, data, n);
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) return false;
                data += w;
                n -= static_cast<std::size_t>(w);
            }
            return true;
        };
        const std::string why = Run(*this, pUrl, sink, deadline);
        empty = sink.received == 0;
        return why;
    });
    const bool closed = ::close(fd) == 0;
    if (lastError_.empty() && !closed) lastError_ = Unwritable(pFile, std::strerror(EIO));
    std::error_code ec;
    if (lastError_.empty()) {
        ::chmod(temporary.c_str(), 0644);
        fs::rename(temporary, target, ec);
        if (ec) lastError_ = Unwritable(pFile, ec.message());
    }
    if (!lastError_.empty()) fs::remove(temporary, ec);
    return lastError_.empty();
}

}  // namespace tlx

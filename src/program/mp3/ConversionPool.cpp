#include "mp3/ConversionPool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "app/Commands.h"
#include "app/Display.h"
#include "mp3/ConversionQueue.h"
#include "mp3/Convert.h"

namespace wl {

namespace {

// Runs fn on the window's thread; false once the program is closing (fn may not have run).
bool onWindow(App& app, std::function<void()> fn) {
    if (conversionStopped(app.s)) return false;
    return app.p.window.runOnWindowThread(std::move(fn)) && !conversionStopped(app.s);
}

class Pool {
public:
    Pool(App& app, int count, ConversionQueue& queue)
        : app_(app), count_(count), queue_(queue), percents_(size_t(count)) {}
    ~Pool() { stopDrawer(); }

    // The status line is drawn by a thread of its own: a stream never waits for the window
    // between chunks (each wait is a turn of the window's thread, and costs a busy machine
    // a scheduling delay a time). Without that thread the streams draw it themselves.
    void startDrawer() {
        try {
            drawer_ = std::thread([this] { drawLoop(); });
            drawerStarted_ = true;
        } catch (const std::system_error&) {
        }
    }

    // False once the program is closing.
    bool convert(int i) {
        if (queue_.stopped()) return false;
        // As when the files ran one after another: `converting` raised and the file named.
        auto cancels = callOnWindowThread(app_.p.window, [app = &app_, i] {
            app->s.converting = 1;
            app->s.convertFileIndex = i;
            app->p.window.setControlText(ID_SONG_NAME_EDIT, app->s.convertFiles[size_t(i)]);
            return app->s.conversionCancels.load();
        });
        if (!cancels || queue_.stopped()) return false;
        File file(*this, i, *cancels);
        ConvertBatchEntry(app_, i, file);
        setPercent(i, 100);
        awaitTurn(i);
        return onWindow(app_, [app = &app_] {
            app->p.window.enableControl(ID_PLAY, false);
            app->p.window.enableControl(ID_PLAYBACK, false);
        });
    }

private:
    class File : public BatchStream {
    public:
        File(Pool& pool, int index, uint32_t cancels) : pool_(pool), index_(index), cancels_(cancels) {}
        void awaitTurn() override { pool_.awaitTurn(index_); }
        Step progress(uint64_t done, uint64_t total) override { return pool_.progress(index_, cancels_, done, total); }

    private:
        Pool& pool_;
        const int index_;
        const uint32_t cancels_;
    };

    App& app_;
    const int count_;
    ConversionQueue& queue_;
    std::vector<std::atomic<int>> percents_;  // each file's own
    std::atomic<int> overall_{-1};
    std::thread drawer_;
    std::mutex drawMutex_;
    std::condition_variable drawCv_;
    int wanted_ = -1;  // the figure to draw next
    bool drawerStarted_ = false;  // set before the streams start
    bool drawerStop_ = false;

    void awaitTurn(int index) {
        queue_.awaitTurn(index);
        // Every other file has reported: no figure may come after the last one's end.
        if (index == count_ - 1) stopDrawer();
    }

    void drawLoop() {
        int drawn = -1;
        std::unique_lock lock(drawMutex_);
        for (;;) {
            drawCv_.wait(lock, [&] { return wanted_ > drawn || drawerStop_; });
            if (drawerStop_) return;
            const int percent = wanted_;
            lock.unlock();
            const bool shown = draw(percent);
            lock.lock();
            if (!shown) return;  // closing
            drawn = percent;
        }
    }
    void stopDrawer() {
        {
            std::lock_guard lock(drawMutex_);
            if (!drawerStarted_ || drawerStop_) return;
            drawerStop_ = true;
        }
        drawCv_.notify_all();
        drawer_.join();
    }
    bool draw(int percent) {
        return onWindow(app_, [app = &app_, percent] {
            drawConversionProgress(*app, percent);
            if (app->s.convertMode == 1) app->s.currentTrackText = "C";
        });
    }
    BatchStream::Step progress(int index, uint32_t cancels, uint64_t done, uint64_t total) {
        if (queue_.stopped()) return BatchStream::Step::Stop;
        if (app_.s.conversionCancels != cancels) {
            const bool shown = onWindow(app_, [app = &app_] {
                app->s.statusText = kSongNamePrompt;
                app->p.window.invalidate(nullptr, true);
            });
            return shown ? BatchStream::Step::Cancelled : BatchStream::Step::Stop;
        }
        setPercent(index, total ? int(double(done) / double(total) * 100.0) : 100);
        return BatchStream::Step::Go;
    }

    // Draws the batch's figure when a file's figure moved it.
    void setPercent(int index, int percent) {
        if (percents_[size_t(index)].exchange(percent) == percent) return;
        int sum = 0;
        for (const auto& p : percents_) sum += p.load();
        const int overall = sum / count_;
        int before = overall_.load();
        if (overall <= before || !overall_.compare_exchange_strong(before, overall)) return;
        std::unique_lock lock(drawMutex_);
        if (!drawerStarted_) {
            // Drawn in order: the figure only rises under this lock.
            draw(overall);
            return;
        }
        if (drawerStop_ || overall <= wanted_) return;
        wanted_ = overall;
        lock.unlock();
        drawCv_.notify_all();
    }
};

}  // namespace

int conversionStreamCount(const AppState& s, int files) {
    return conversionStreams(s.conversionStreams, int(std::thread::hardware_concurrency()), files);
}

void RunConversionPool(App& app, int count) {
    if (count < 1) return;
    if (!onWindow(app, [&app] {
            app.s.statusText.clear();
            drawStatusLineNow(app);
            setStatus(app, "Converting:");
        }))
        return;
    ConversionQueue queue(app.s.conversionStop.get_token());
    Pool pool(app, count, queue);
    // Closing: the files no stream has taken are left as they are.
    for (int i = 0; i < count; ++i) queue.push({[pool = &pool, i] { pool->convert(i); }, {}});
    queue.close();
    pool.startDrawer();
    queue.run(conversionStreamCount(app.s, count));
}

}  // namespace wl

#include "LoopbackBackend.h"

#include <algorithm>
#include <cstring>

namespace wl::audio {

LoopbackBackend::LoopbackBackend(Clock& clock, LoopbackOptions options)
    : clock_(clock), options_(std::move(options)) {
    if (options_.blockMicros <= 0) options_.blockMicros = 100000;
}

LoopbackBackend::~LoopbackBackend() { stopInput(); }

bool LoopbackBackend::start(std::string&) { return true; }
void LoopbackBackend::stop() {}

void LoopbackBackend::play(const int16_t* samples, size_t frames) {
    std::lock_guard<std::mutex> lock(mutex_);
    framesPlayed_ += frames;
    size_t room = options_.keepOutputFrames * 2 - std::min(output_.size(), options_.keepOutputFrames * 2);
    size_t take = std::min(room, frames * 2);
    output_.insert(output_.end(), samples, samples + take);
}

std::vector<int16_t> LoopbackBackend::output() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return output_;
}

uint64_t LoopbackBackend::framesPlayed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return framesPlayed_;
}

void LoopbackBackend::clearOutput() {
    std::lock_guard<std::mutex> lock(mutex_);
    output_.clear();
}

bool LoopbackBackend::startInput(InputHandler& handler, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (handler_) return true;
    reader_.reset();
    converter_.reset();
    pending_.clear();
    if (!options_.lineInWav.empty()) {
        auto reader = std::make_unique<WavReader>();
        if (!reader->open(options_.lineInWav, error)) {
            error = "line input file " + options_.lineInWav + ": " + error;
            return false;
        }
        converter_ = std::make_unique<PcmConverter>(reader->format(), kCdFormat);
        reader_ = std::move(reader);
    }
    handler_ = &handler;
    inputStart_ = clock_.now();
    inputFrames_ = 0;
    uint64_t generation = ++generation_;
    timer_ = clock_.callAt(inputStart_ + options_.blockMicros, [this, generation] { tick(generation); });
    return true;
}

void LoopbackBackend::stopInput() {
    TimerId timer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handler_ = nullptr;
        ++generation_;
        timer = timer_;
        timer_ = 0;
    }
    if (timer) clock_.cancel(timer);
}

void LoopbackBackend::fill(int16_t* samples, size_t frames) {
    std::memset(samples, 0, frames * 4);
    if (!reader_) return;
    std::vector<uint8_t> raw(4096 * reader_->format().blockAlign());
    while (pending_.size() < frames * 4) {
        size_t got = reader_->read(raw.data(), 4096);
        if (got == 0) {
            converter_->flush(pending_);
            break;
        }
        converter_->convert(raw.data(), got, pending_);
    }
    size_t bytes = std::min(pending_.size(), frames * 4);
    for (size_t i = 0; i < bytes / 2; ++i)
        samples[i] = int16_t(uint16_t(pending_[2 * i] | (pending_[2 * i + 1] << 8)));
    pending_.erase(pending_.begin(), pending_.begin() + long(bytes));
}

void LoopbackBackend::tick(uint64_t generation) {
    InputHandler* handler;
    size_t frames;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (generation != generation_ || !handler_) return;
        handler = handler_;
        Micros now = clock_.now();
        uint64_t due = uint64_t(now - inputStart_) * kCdRate / 1000000;
        frames = size_t(due - std::min(due, inputFrames_));
        inputFrames_ += frames;
        block_.resize(frames * 2);
        fill(block_.data(), frames);
        timer_ = clock_.callAt(now + options_.blockMicros, [this, generation] { tick(generation); });
    }
    // Delivered outside our lock: the handler takes its own, and stopInput waits for us.
    if (frames) handler->lineInput(block_.data(), frames);
}

}  // namespace wl::audio

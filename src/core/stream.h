#pragma once

#include <functional>
#include <vector>

namespace ondrix {

// A path for high-rate data (a level every 20 ms, spectra, waterfall lines)
// from the audio side straight to the view that draws it. Nothing passes
// through a feature's state or the window's redraw: a reading reaches only
// the readers connected to this stream.
template <typename T> class Stream {
public:
    using Reader = std::function<void(const T&)>;

    // Returns an id for disconnect().
    int connect(Reader reader) {
        const int id = nextId_++;
        readers_.push_back({id, std::move(reader)});
        return id;
    }
    void disconnect(int id) {
        std::erase_if(readers_, [id](const Entry& e) { return e.id == id; });
    }
    bool connected() const { return !readers_.empty(); }
    // Delivers on the caller's thread; the audio side pushes from the event
    // loop, after its FIFO.
    void push(const T& value) const {
        for (const Entry& e : readers_)
            if (e.reader)
                e.reader(value);
    }

private:
    struct Entry {
        int id;
        Reader reader;
    };
    std::vector<Entry> readers_;
    int nextId_ = 1;
};

// The receive side's streams, as the capture will feed them.
struct LevelReading {
    // Level of the latest block, dBFS (0 full scale, negative below).
    double db = 0.0;
    // A sample at either end of the scale was seen in the block.
    bool clipped = false;
};

struct SpectrumLine {
    // Level per bin, dB, lowest frequency first.
    std::vector<float> db;
    int sampleRate = 0;
};

struct WaterfallLine {
    // Palette index per pixel, lowest frequency first.
    std::vector<unsigned char> colours;
};

struct AudioStreams {
    Stream<LevelReading> level;
    Stream<SpectrumLine> spectrum;
    Stream<WaterfallLine> waterfall;
};

} // namespace ondrix

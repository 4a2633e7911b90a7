// A source of known sync for measuring a recording's audio against its picture: a square window
// that turns white while a tone sounds, both starting at the same instants, once a second.
//
// The picture changes when the X server has drawn it; the sound starts when the sound server
// plays its first sample, which is later than the moment it is written by the stream's latency.
// So the sound is written ahead, continuously, and each tone is placed at the sample that the
// stream's reported latency says will play at the flash's instant.
//
// To check that placement, the program also listens to the sink's monitor itself and times each
// tone it hears there by the server's own account of the recording stream's latency: what a
// recorder that trusts the server's timing would find. It prints each flash's instant and each
// tone heard, on the monotonic clock:
//   flash <seconds>
//   heard <seconds>
//
//   sablewick_beep_and_flash SECONDS X Y SIZE      (plays to the default PulseAudio sink)
#include <X11/Xlib.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr double kFirst = 1.0;     // seconds from the start to the first flash
// Between flashes: a little over a second, so that each flash falls a seventh of a 60 fps frame
// later against the recorders' frame times than the one before. A flash's instant read from a
// movie is only known to half a frame; at a whole second apart every flash would fall at the
// same place between two frames and the whole recording would carry one error of up to 8 ms.
constexpr double kInterval = 1.0 + 1.0 / 60 / 7;
constexpr double kLength = 0.25;   // of a flash and of its tone
constexpr int kChunk = kRate / 200;  // 5 ms written at a time

double now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void sleepUntil(double when)
{
    timespec t{};
    t.tv_sec = time_t(when);
    t.tv_nsec = long((when - double(t.tv_sec)) * 1e9);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) != 0) {
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s SECONDS X Y SIZE\n", argv[0]);
        return 2;
    }
    const double seconds = std::atof(argv[1]);
    const int x = std::atoi(argv[2]), y = std::atoi(argv[3]), size = std::atoi(argv[4]);

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(display, screen);
    const Window window = XCreateWindow(display, RootWindow(display, screen), x, y, unsigned(size), unsigned(size), 0,
                                        CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel,
                                        &attributes);
    XMapRaised(display, window);
    const GC gc = XCreateGC(display, window, 0, nullptr);
    XSync(display, False);

    pa_sample_spec spec{PA_SAMPLE_S16LE, kRate, 1};
    // A short buffer keeps the reported latency small and exact.
    pa_buffer_attr buffer{};
    buffer.maxlength = uint32_t(-1);
    buffer.tlength = uint32_t(kRate / 50 * 2);  // 20 ms
    buffer.prebuf = uint32_t(-1);
    buffer.minreq = uint32_t(kChunk * 2);
    buffer.fragsize = uint32_t(-1);
    int error = 0;
    pa_simple* sound = pa_simple_new(nullptr, "beep-and-flash", PA_STREAM_PLAYBACK, nullptr, "beeps", &spec, nullptr,
                                     &buffer, &error);
    if (!sound) {
        std::fprintf(stderr, "no sound: %s\n", pa_strerror(error));
        return 1;
    }

    // The loopback: 5 ms pieces from the default sink's monitor.
    pa_buffer_attr listenBuffer{};
    listenBuffer.maxlength = uint32_t(-1);
    listenBuffer.fragsize = uint32_t(kChunk * 2);
    pa_simple* monitor = pa_simple_new(nullptr, "beep-and-flash", PA_STREAM_RECORD, "@DEFAULT_MONITOR@", "loopback",
                                       &spec, nullptr, &listenBuffer, &error);
    if (!monitor) {
        std::fprintf(stderr, "cannot listen: %s\n", pa_strerror(error));
        return 1;
    }

    const double start = now();
    const double end = start + seconds;
    std::atomic<bool> stop = false;
    std::thread listening([&] {
        std::vector<std::int16_t> piece(kChunk);
        std::int64_t quiet = 0;
        int listenError = 0;
        while (!stop) {
            if (pa_simple_read(monitor, piece.data(), piece.size() * sizeof(std::int16_t), &listenError) < 0)
                break;
            // A recording stream's latency is the age of the next sample to read: the one after
            // this piece.
            const pa_usec_t latency = pa_simple_get_latency(monitor, &listenError);
            if (latency == pa_usec_t(-1))
                continue;
            const double pieceStart = now() - double(latency) / 1e6 - double(kChunk) / kRate;
            for (int i = 0; i < kChunk; ++i) {
                if (std::abs(int(piece[size_t(i)])) > 4000) {
                    if (quiet >= std::int64_t(0.3 * kRate)) {
                        std::printf("heard %.6f\n", pieceStart + double(i) / kRate);
                        std::fflush(stdout);
                    }
                    quiet = 0;
                } else {
                    ++quiet;
                }
            }
        }
    });
    std::thread flashes([&] {
        for (double at = start + kFirst; at + kLength < end && !stop; at += kInterval) {
            sleepUntil(at);
            XSetForeground(display, gc, WhitePixel(display, screen));
            XFillRectangle(display, window, gc, 0, 0, unsigned(size), unsigned(size));
            XSync(display, False);
            std::printf("flash %.6f\n", at);
            std::fflush(stdout);
            sleepUntil(at + kLength);
            XSetForeground(display, gc, BlackPixel(display, screen));
            XFillRectangle(display, window, gc, 0, 0, unsigned(size), unsigned(size));
            XSync(display, False);
        }
    });

    // Samples are numbered from the stream's start; `toneStart` is where the next tone begins.
    std::int64_t written = 0;
    std::int64_t toneStart = -1;
    double nextTone = start + kFirst;
    std::vector<std::int16_t> chunk(kChunk);

    const double pi = 3.14159265358979323846;
    while (now() < end) {
        if (toneStart < 0 && nextTone + kLength < end) {
            pa_usec_t latency = pa_simple_get_latency(sound, &error);
            if (latency == pa_usec_t(-1))
                latency = 0;

            // The sample playing now, and so the one that plays at the tone's instant.
            const double playing = double(written) - double(latency) * kRate / 1e6;
            const auto at = std::int64_t(std::llround(playing + (nextTone - now()) * kRate));
            if (at < written + kChunk) {
                toneStart = std::max(at, written);
                // The latency each tone was placed by, for the measuring script.
                std::printf("tone latency %.1f ms\n", double(latency) / 1e3);
                nextTone += kInterval;
            }
        }
        for (int i = 0; i < kChunk; ++i) {
            const std::int64_t n = written + i - toneStart;
            const bool sounding = toneStart >= 0 && n >= 0 && n < std::int64_t(kLength * kRate);
            chunk[size_t(i)] = sounding ? std::int16_t(std::lround(16000 * std::sin(2 * pi * 1000 * double(n) / kRate))) : 0;
        }
        if (toneStart >= 0 && written + kChunk - toneStart >= std::int64_t(kLength * kRate))
            toneStart = -1;
        if (pa_simple_write(sound, chunk.data(), chunk.size() * sizeof(std::int16_t), &error) < 0) {
            std::fprintf(stderr, "cannot play: %s\n", pa_strerror(error));
            break;
        }
        written += kChunk;
    }
    stop = true;
    flashes.join();
    pa_simple_drain(sound, &error);
    pa_simple_free(sound);
    listening.join();
    pa_simple_free(monitor);
    XCloseDisplay(display);
    return 0;
}

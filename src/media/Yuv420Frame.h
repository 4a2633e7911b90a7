#pragma once

#include <cstdint>

struct AVFrame;

namespace sablewick {

struct Yuv420View;

// A 4:2:0 picture (BT.709, limited range) in reference-counted memory that a MovieWriter hands to
// its encoder without copying. Composition threads fill one, the writer's thread passes it on,
// and the next prepare() reuses the memory unless the encoder still holds it.
//
// One thread at a time per frame.
class Yuv420Frame {
public:
    Yuv420Frame() = default;
    ~Yuv420Frame();
    Yuv420Frame(Yuv420Frame&& other) noexcept;
    Yuv420Frame& operator=(Yuv420Frame&& other) noexcept;
    Yuv420Frame(const Yuv420Frame&) = delete;
    Yuv420Frame& operator=(const Yuv420Frame&) = delete;

    // Makes the planes width × height (chroma rounded up) and writable by this frame alone,
    // allocating new memory only when the size changed or someone else still refers to it.
    // Returns whether the planes still hold the samples they held (also when they were copied
    // away from a holder); false for new planes. Throws std::bad_alloc.
    bool prepare(int width, int height);

    bool isNull() const { return m_frame == nullptr; }
    int width() const;
    int height() const;
    std::uint8_t* plane(int index) const;  // 0: Y, 1: Cb, 2: Cr
    int stride(int index) const;
    Yuv420View view() const;

    const AVFrame* avFrame() const { return m_frame; }

private:
    AVFrame* m_frame = nullptr;
};

}  // namespace sablewick

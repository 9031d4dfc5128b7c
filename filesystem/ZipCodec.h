#pragma once
#include <cstddef>
#include <cstdint>

// zlib decoder of one stored block.
class CZipCodec {
public:
    virtual ~CZipCodec() { Free(); }
    // Unscrambles the block in place and inflates it.
    bool Decode(uint8_t* block, uint32_t size);
    uint8_t* GetOutput() const { return m_output; }
    uint32_t GetOutputLength() const { return m_outputLength; }
    void Free();
    // Hands the output block over (free it with delete[], or give it back to
    // CBlockPool with its capacity).
    uint8_t* Detach();

private:
    const uint8_t* m_input = nullptr;
    uint32_t m_inputSize = 0;
    uint8_t* m_output = nullptr;
    uint32_t m_outputLength = 0;
    size_t m_capacity = 0;  // of the output block, from the block pool
};

// imgCTy operations whose work belongs to the blitter, the streams, the primitives and the
// other loaders; until those arrive they do nothing.
#include "sprite/imgCTy.h"

void imgCTy::Write(ctyMemBuffer& buffer)
{
    WriteHeader(buffer);
    WriteData(buffer);
}

void imgCTy::Read(ctyMemBuffer& buffer)
{
    ReadHeader(buffer);
    ReadData(buffer);
}

void imgCTy::DrawHLine(std::uint32_t, int, int, int, std::uint32_t) {}
void imgCTy::DrawVLine(std::uint32_t, int, int, int, std::uint32_t) {}
void imgCTy::DrawLine(std::uint32_t, int, int, int, int, std::uint32_t) {}
void imgCTy::Fill(std::uint32_t, const imgRect*) {}
void imgCTy::DrawMirrorH(imgCTy*, int, int, const imgRect*) {}
void imgCTy::DrawExMirrorH(imgCTy*, int, int, const imgRect*, const DrawParams*) {}
void imgCTy::LoadDepthText(const char*) {}
void imgCTy::LoadTga(const char*) {}
void imgCTy::ReadTga(talvo::io::IStream&) {}
void imgCTy::LoadJpg(const char*) {}
void imgCTy::LoadInPlace(ctyMemBuffer&) {}
void imgCTy::WriteHeader(ctyMemBuffer&) {}
void imgCTy::WriteData(ctyMemBuffer&) {}
void imgCTy::ReadHeader(ctyMemBuffer&) {}
void imgCTy::ReadData(ctyMemBuffer&) {}
void imgCTy::ReadDataInPlace(ctyMemBuffer&) {}

#pragma once

#include "particle/ParticleExport.h"

#include <cstddef>
#include <string>
#include <vector>

// Where the blocks of constraint definition text lie. A block runs from the start of the text, or the
// end of the previous separator, to the next separator "\r\n.\r\n" (a line holding a single full stop).
// Its first line is the class identifier and the rest its parameter text. Text after the last separator
// is no block. The loader and the scene checker both split text here, so they always agree.
struct PARTICLE_EXPORT DefinitionBlock {
    std::size_t begin = 0; // first byte of the block
    std::size_t end = 0; // where its separator starts
    // The CR LF that ends the identifier line; npos when the block has none of its own, and then it
    // adds nothing.
    std::size_t lineEnd = std::string::npos;

    bool HasIdentifierLine() const { return lineEnd != std::string::npos; }
};

PARTICLE_EXPORT std::vector<DefinitionBlock> SplitDefinitionText(const std::string& text);

// Where the text after the last block starts (the whole text when there is no block).
PARTICLE_EXPORT std::size_t DefinitionTail(const std::string& text, const std::vector<DefinitionBlock>& blocks);

// The definition text of a file's bytes as the loader reads them: a UTF-8 byte-order mark at the start
// skipped (some editors write one, and it would spoil the first class identifier), every line ended by
// CR LF whatever line ends the file had.
PARTICLE_EXPORT std::string DefinitionFileText(std::string bytes);
// Reads a definition file (a regular file of at most CStdioFile's limit) as DefinitionFileText gives it;
// false when it cannot be read.
PARTICLE_EXPORT bool ReadDefinitionFile(const std::string& path, std::string& text);

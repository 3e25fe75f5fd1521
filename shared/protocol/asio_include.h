#pragma once
// Include Asio through this header only. Asio decides between aligned_alloc/free and
// operator new/delete by looking at a libstdc++ macro that exists only once some standard
// header has been included; a file that includes <asio.hpp> first gets the other choice,
// and the program then frees memory with the wrong function (an ODR violation that
// AddressSanitizer reports as alloc-dealloc-mismatch). A standard header first makes every
// file choose alike.
#include <cstddef>

#include <asio.hpp>

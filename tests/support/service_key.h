// A public key of the domain's OTP service and its signature over the code
// "123456", made with Python's cryptography package (RSA 1,024 bits, PKCS #1
// v1.5 over SHA-256, as the service signs): for tests of velmo_ui.dll and of
// the reply check that calls it.
#pragma once

namespace velmo::test {

inline constexpr char kServiceKey[] =
    "+ojbGiDbFCtX9G7wwxsvNcm0gM+IoiaJt4vyByc8oE1sG6PCrsqL4Ytb5He8B8/JrpFipXmh2PoWxNhsoQRDDK4VgvT41O2aGUjjtaHgiLIbwH6K"
    "WGgc//g01RXStitZzKGHU76yo+XZfN1WIOAEmcMl9P+5tYwoiJl04tyaasc=";
inline constexpr char kServiceSignatureOf123456[] =
    "98hMCVRiML5QfYTGwFPYoPd1uB2XdW9u54Jmoi2pwxLNy01o5poH9MRAbedCvcz1NQBrik6fGhwcPvG79YD9IJGywp5Jo9ZFKBo99S/lxNmrNdlN"
    "4ochfG2yniyE2DwVmO7yoTqtKDSJdLMnbSLn8rAqKwvrNq35GPZg2xTvLPQ=";

}  // namespace velmo::test

#include "host/ModoSesion.h"

#include <gtest/gtest.h>

namespace {

TEST(ModoSesion, SinFechaCeroSoloQuitaLoQueLaProhibe) {
    EXPECT_EQ(qm::SinFechaCero("ONLY_FULL_GROUP_BY,STRICT_TRANS_TABLES,NO_ZERO_IN_DATE,"
                               "NO_ZERO_DATE,ERROR_FOR_DIVISION_BY_ZERO"),
              "ONLY_FULL_GROUP_BY,STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO");
    EXPECT_EQ(qm::SinFechaCero(""), "");
    EXPECT_EQ(qm::SinFechaCero("TRADITIONAL,NO_ZERO_DATE"), "");
    EXPECT_TRUE(qm::EsEstricto("A,STRICT_ALL_TABLES"));
    EXPECT_FALSE(qm::EsEstricto("NO_ZERO_DATE"));
}

} // namespace

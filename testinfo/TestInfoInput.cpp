#include "testinfo/TestInfoInput.h"

#include "store/clsTEST_INFO.h"
#include "testinfo/BobTable.h"

double TestInfoInput::shearRateFactor() const {
    return bobs::shearRateFactor(bobRadius_cm);
}

double TestInfoInput::bobStressFactor() const {
    return bobs::bobStressFactor(bobRadius_cm, bobEffLength_cm);
}

void TestInfoInput::fill(clsTEST_INFO& info, const QDateTime& testTime) const {
    info.setTEST_NAME(testName);
    info.setFluid_ID(fluidId);
    info.setTEST_TIME(testTime);
    info.setRESEARCHER_NAME(researcherName);
    info.setROTOR_NO(rotorNo);
    info.setBOB_NO(bobNo);
    info.setBOB_RADIUS(bobRadius_cm);
    info.setBOB_EFF_LENGTH(bobEffLength_cm);
    info.setPreTest_PH(pretestPh);
    info.setPostTest_PH(posttestPh);
    info.setSAFETY(safety);
}

bool TestInfoInput::operator==(const TestInfoInput& other) const {
    const auto same = [](const NewAdditive& a, const NewAdditive& b) {
        return a.name == b.name && a.concentration == b.concentration && a.unit == b.unit &&
               a.lotNo == b.lotNo;
    };
    if (additives.size() != other.additives.size()) return false;
    for (qsizetype i = 0; i < additives.size(); ++i)
        if (!same(additives[i], other.additives[i])) return false;
    return testName == other.testName && fluidId == other.fluidId && researcherName == other.researcherName &&
           rotorNo == other.rotorNo && bobNo == other.bobNo && bobRadius_cm == other.bobRadius_cm &&
           bobEffLength_cm == other.bobEffLength_cm && pretestPh == other.pretestPh &&
           posttestPh == other.posttestPh && safety == other.safety;
}

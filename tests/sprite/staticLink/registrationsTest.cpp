// The class registrations reach a program that names none of the classes.
#include <gtest/gtest.h>

#include <memory>

#include "sprite/rwObjCTy.h"

TEST(RwObjClassRegistry, RegistrationsSurviveStaticLinking)
{
    const auto& classes = rwObjClassRegistry::classes();
    for (const char* name : {"imgRowCTy", "rwObjCTy"}) {
        ASSERT_TRUE(classes.count(name)) << name;
        std::unique_ptr<rwObjCTy> object(classes.at(name)());
        ASSERT_NE(object, nullptr);
        EXPECT_STREQ(object->ClassName(), name);
    }
}

#include "tools/sampledb/SampleData.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace kestrova::sampledb {

namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    int Between(int low, int high) {  // both ends included
        return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
    }
    template <class Array>
    std::string_view Pick(const Array& items) {
        return items[Next() % items.size()];
    }

private:
    std::uint64_t state_;
};

constexpr std::array<std::string_view, 24> kFirstWords = {
    "Alder",      "Brightwater", "Copperfield", "Driftwood", "Eastgate",  "Foxglove",
    "Granite",    "Harbor",      "Ironbark",    "Juniper",   "Kestrel",   "Lakeshore",
    "Meadow",     "Northridge",  "Oakhollow",   "Pinecrest", "Quarry",    "Redwing",
    "Silverline", "Timber",      "Upland",      "Valley",    "Westbrook", "Yarrow"};
constexpr std::array<std::string_view, 12> kSecondWords = {
    "Cycles",     "Outfitters", "Sports", "Trading",   "Supply", "Bike Works",
    "Wheelhouse", "Gear",       "Riders", "Pedal Co.", "Velo",   "Bicycles"};
constexpr std::array<std::string_view, 5> kCompanyEndings = {"", "", " Inc.", " Ltd.", " & Sons"};
constexpr std::array<std::string_view, 16> kGivenNames = {
    "Ana", "Ben", "Carla", "Dmitri", "Elif",  "Farah", "Gus",   "Hana",
    "Ivo", "Jun", "Kofi",  "Lena",   "Mateo", "Nia",   "Oskar", "Priya"};
constexpr std::array<std::string_view, 16> kFamilyNames = {
    "Abernathy", "Brandt", "Castillo", "Dube",      "Eriksen", "Fontaine", "Gallo",  "Haddad",
    "Ibarra",    "Jansen", "Kowalski", "Lindqvist", "Moreau",  "Novak",    "Okafor", "Petrov"};
constexpr std::array<std::string_view, 12> kCities = {
    "Portland",  "Asheville", "Boulder", "Duluth",   "Eugene", "Flagstaff",
    "Galveston", "Helena",    "Ithaca",  "Missoula", "Provo",  "Tacoma"};

struct ProductLine {
    std::string_view type;
    int lowDollars;
    int highDollars;
};
constexpr std::array<ProductLine, 8> kProductLines = {{{"Mountain Bike", 450, 2400},
                                                       {"Road Bike", 600, 3200},
                                                       {"Helmet", 35, 180},
                                                       {"Gloves", 12, 60},
                                                       {"Jersey", 30, 120},
                                                       {"Pedals", 25, 140},
                                                       {"Tires", 20, 75},
                                                       {"Lights", 15, 90}}};
constexpr std::array<std::string_view, 10> kMakers = {"Avocet",  "Bramble", "Corvid",   "Dunmore",
                                                      "Ellery",  "Fenwick", "Gossamer", "Hollis",
                                                      "Isbrand", "Jessup"};

std::string Format(const char* pattern, int a, int b = 0, int c = 0) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
    return buffer;
}

int DaysIn(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

std::vector<Product> MakeProducts(Random& random) {
    std::vector<Product> products;
    for (const auto& line : kProductLines) {
        for (int i = 0; i < 5; ++i) {
            const int dollars = random.Between(line.lowDollars, line.highDollars);
            // Most prices end in .99 or another cent amount; some are whole.
            const int cents = random.Between(0, 3) == 0 ? 0
                              : random.Between(0, 1)    ? 99
                                                        : random.Between(1, 98);
            products.push_back(
                Product{static_cast<int>(products.size()) + 1, std::string(line.type),
                        std::string(random.Pick(kMakers)) + " " + std::string(line.type) + " " +
                            Format("%d", 100 + i * 100),
                        dollars * 100LL + cents});
        }
    }
    return products;
}

void MakeOrdersOf(const Customer& customer, const std::vector<Product>& products, Random& random,
                  SampleData& data) {
    const int orderCount = random.Between(0, 11) == 0 ? 0 : random.Between(2, 20);
    for (int o = 0; o < orderCount; ++o) {
        const int year = random.Between(2019, 2025);
        const int month = random.Between(1, 12);
        Order order{static_cast<int>(data.orders.size()) + 1, customer.id,
                    Format("%04d-%02d-%02d", year, month, random.Between(1, DaysIn(year, month))),
                    std::nullopt};
        if (random.Between(0, 6) != 0) {
            order.purchaseOrderNumber = Format("PO-%06d", random.Between(0, 999999));
        }
        const int itemCount = random.Between(0, 29) == 0 ? 0 : random.Between(1, 7);
        for (int i = 0; i < itemCount; ++i) {
            const Product& product = products[random.Next() % products.size()];
            data.details.push_back(
                OrderDetail{order.id, product.id, random.Between(1, 10), product.listPriceCents});
        }
        data.orders.push_back(std::move(order));
    }
}

}  // namespace

SampleData MakeSampleData(int customerCount, std::uint64_t seed) {
    Random random(seed);
    SampleData data;
    data.products = MakeProducts(random);
    for (int c = 1; c <= customerCount; ++c) {
        Customer customer{
            c,
            std::string(random.Pick(kFirstWords)) + " " + std::string(random.Pick(kSecondWords)) +
                std::string(random.Pick(kCompanyEndings)),
            std::string(random.Pick(kGivenNames)) + " " + std::string(random.Pick(kFamilyNames)),
            std::string(random.Pick(kCities)),
            Format("(%03d) 555-%04d", random.Between(201, 989), random.Between(0, 9999))};
        MakeOrdersOf(customer, data.products, random, data);
        data.customers.push_back(std::move(customer));
    }
    return data;
}

}  // namespace kestrova::sampledb

// Registry of gallery pages: each page file registers a builder, so pages can be added independently.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace gallery {

struct Page {
    QString title;
    int order;  // pages are shown in ascending order
    std::function<QWidget *()> build;
};

inline std::vector<Page> &pages()
{
    static std::vector<Page> registry;
    return registry;
}

struct Registrar {
    Registrar(QString title, int order, std::function<QWidget *()> build)
    {
        pages().push_back(Page{std::move(title), order, std::move(build)});
    }
};

}  // namespace gallery

// Usage in a page file: GALLERY_PAGE("Sliders", 10) { auto *w = new QWidget; ...; return w; }
#define GALLERY_PAGE_CONCAT2(a, b) a##b
#define GALLERY_PAGE_CONCAT(a, b) GALLERY_PAGE_CONCAT2(a, b)
#define GALLERY_PAGE(title, order)                                                             \
    static QWidget *GALLERY_PAGE_CONCAT(galleryBuild_, __LINE__)();                            \
    static const gallery::Registrar GALLERY_PAGE_CONCAT(galleryRegistrar_, __LINE__)(         \
        title, order, GALLERY_PAGE_CONCAT(galleryBuild_, __LINE__));                           \
    static QWidget *GALLERY_PAGE_CONCAT(galleryBuild_, __LINE__)()

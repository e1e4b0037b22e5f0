#include "standin/standin.h"

#include "standin/model.h"

#include <stdexcept>

namespace standin {

using namespace detail;

namespace {

FolderData* RequireFolder(const outlook::MAPIFolder& f, const Model* m) {
    FolderData* data = FolderOf(f.Dispatch(), m);
    if (!data)
        throw std::invalid_argument("not a folder of this stand-in");
    return data;
}

} // namespace

StandIn::StandIn(std::u16string version) : m_(std::make_shared<Model>()) {
    m_->version = std::move(version);
    m_->BuildDefaultTree();
    m_->current = m_->contacts;
}

StandIn::StandIn(std::shared_ptr<Model> model) : m_(std::move(model)) {}

StandIn::~StandIn() {
    // Objects still held elsewhere keep the model; the backend stays with it.
}

outlook::Application StandIn::App() const {
    return outlook::Application(outlook::DispatchPtr::Adopt(NewApplicationObject(m_)));
}

outlook::NameSpace StandIn::Session() const {
    return outlook::NameSpace(outlook::DispatchPtr::Adopt(NewNameSpaceObject(m_)));
}

outlook::MAPIFolder StandIn::Contacts() const {
    return outlook::MAPIFolder(outlook::DispatchPtr::Adopt(NewFolderObject(m_, m_->contacts)));
}

outlook::MAPIFolder StandIn::Root() const {
    return outlook::MAPIFolder(outlook::DispatchPtr::Adopt(NewFolderObject(m_, m_->root.get())));
}

outlook::MAPIFolder StandIn::AddFolder(const outlook::MAPIFolder& parent, std::u16string_view name,
                                       LONG defaultItemType) {
    FolderData* p = RequireFolder(parent, m_.get());
    FolderData* f = m_->NewFolder(p, name, defaultItemType);
    if (m_->backend && FAILED(m_->backend->PutFolder(*f))) {
        p->children.pop_back();
        throw std::runtime_error("the store could not save the folder");
    }
    return outlook::MAPIFolder(outlook::DispatchPtr::Adopt(NewFolderObject(m_, f)));
}

outlook::ContactItem
StandIn::AddContact(const outlook::MAPIFolder& folder,
                    std::initializer_list<std::pair<const char16_t*, std::u16string_view>> text) {
    auto item = std::make_shared<ItemData>();
    item->folder = RequireFolder(folder, m_.get());
    for (const auto& [name, value] : text) {
        const int prop = PropertyIndex(name);
        if (prop < 0 || prop == kPropDLName ||
            PropertyTable()[static_cast<size_t>(prop)].type != PropType::Text)
            throw std::invalid_argument("not a settable text property of a contact");
        item->props.Set(prop, value);
    }
    HRESULT hr = m_->Save(item, item->props);
    if (FAILED(hr))
        throw com::ComError(hr, outlook::IID_ContactItem);
    return outlook::ContactItem(outlook::DispatchPtr::Adopt(NewItemObject(m_, item)));
}

outlook::DispatchPtr StandIn::AddDistList(const outlook::MAPIFolder& folder,
                                          std::u16string_view name) {
    auto item = std::make_shared<ItemData>();
    item->distList = true;
    item->folder = RequireFolder(folder, m_.get());
    item->props.Set(kPropDLName, name);
    HRESULT hr = m_->Save(item, item->props);
    if (FAILED(hr))
        throw com::ComError(hr, outlook::IID_DistListItem);
    return outlook::DispatchPtr::Adopt(NewItemObject(m_, item));
}

void StandIn::SetVersion(std::u16string_view version) {
    m_->version.assign(version);
}

void StandIn::SetPickFolder(const outlook::MAPIFolder& folder) {
    m_->pickSet = true;
    m_->pick = folder ? RequireFolder(folder, m_.get()) : nullptr;
}

void StandIn::SetCurrentFolder(const outlook::MAPIFolder& folder) {
    m_->current = folder ? RequireFolder(folder, m_.get()) : nullptr;
}

void StandIn::SetSelection(const std::vector<outlook::DispatchPtr>& items) {
    std::vector<Model::Selected> s;
    for (const auto& d : items) {
        Model::Selected entry;
        entry.item = ItemOf(d.Get(), m_.get());
        if (!entry.item)
            entry.other = d;
        s.push_back(std::move(entry));
    }
    m_->selection = std::move(s);
}

void StandIn::FailMember(std::u16string_view kind, std::u16string_view member, HRESULT hr,
                         int after, int times) {
    FailRule r{};
    if (!KindFromName(kind, &r.kind))
        throw std::invalid_argument("unknown kind of stand-in object");
    r.member = member == u"*" ? std::u16string(u"*") : Fold(member);
    r.hr = hr;
    r.after = after;
    r.times = times;
    m_->rules.push_back(std::move(r));
}

void StandIn::ClearFailures() {
    m_->rules.clear();
}

long StandIn::LiveObjects() const {
    return m_->live;
}

} // namespace standin

#include "NewModelDialog.h"

#include "QtText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tqv {

NewModelDialog::NewModelDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("newModelDialog"));
    setWindowTitle(qtext(StrId::NewModelTitle));

    m_types = new QTreeWidget(this);
    m_types->setObjectName(QStringLiteral("gatewayTypes"));
    m_types->setRootIsDecorated(false);
    m_types->setAllColumnsShowFocus(true);
    m_types->setHeaderLabels({qtext(StrId::NewModelColumnType), qtext(StrId::NewModelColumnFieldbus),
                              qtext(StrId::NewModelColumnSubnets), qtext(StrId::NewModelColumnSubnet1),
                              qtext(StrId::NewModelColumnData)});
    for (std::uint32_t type = 0; type < kGatewayTypeCount; ++type) {
        auto *item = new QTreeWidgetItem(m_types, {QString::number(type)});
        item->setData(0, Qt::UserRole, type);
    }
    auto *typeLabel = new QLabel(qtext(StrId::NewModelTypeLabel), this);
    typeLabel->setBuddy(m_types);

    m_variants = new QComboBox(this);
    m_variants->setObjectName(QStringLiteral("modelVariants"));
    for (const ModelVariant &variant : modelVariants())
        m_variants->addItem(qtext(variant.name));
    auto *variantLabel = new QLabel(qtext(StrId::NewModelVariantLabel), this);
    variantLabel->setBuddy(m_variants);

    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(qtext(StrId::NewModelOk), QDialogButtonBox::AcceptRole);
    buttons->addButton(qtext(StrId::NewModelCancel), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_types, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(m_types, &QTreeWidget::currentItemChanged, this, &NewModelDialog::showFacts);
    connect(m_variants, &QComboBox::currentIndexChanged, this, &NewModelDialog::showFacts);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(typeLabel);
    layout->addWidget(m_types, 1);
    layout->addWidget(variantLabel);
    layout->addWidget(m_variants);
    layout->addWidget(m_summary);
    layout->addWidget(buttons);

    // A new document's model, as New without a choice makes it.
    m_types->setCurrentItem(m_types->topLevelItem(static_cast<int>(code(GatewayType::ProfibusModbus))));
    showFacts();
    for (int column = 0; column < m_types->columnCount(); ++column)
        m_types->resizeColumnToContents(column);
    m_types->setMinimumWidth(m_types->header()->length() + 2 * m_types->frameWidth());
    m_types->setFocus();
}

std::uint32_t NewModelDialog::gatewayType() const
{
    const QTreeWidgetItem *item = m_types->currentItem();
    return item ? item->data(0, Qt::UserRole).toUInt() : code(GatewayType::ProfibusModbus);
}

ModelFlags NewModelDialog::modelFlags() const
{
    const auto &variants = modelVariants();
    const int index = m_variants->currentIndex();
    return index >= 0 && index < static_cast<int>(variants.size()) ? variants[static_cast<std::size_t>(index)].flags
                                                                    : variants.front().flags;
}

void NewModelDialog::showFacts()
{
    const ModelFlags flags = modelFlags();
    for (int row = 0; row < m_types->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = m_types->topLevelItem(row);
        const ModelFacts facts = modelFacts(profileOf(item->data(0, Qt::UserRole).toUInt(), flags));
        item->setText(1, QString::fromStdString(facts.fieldbus));
        item->setText(2, QString::fromStdString(facts.subnets));
        item->setText(3, QString::fromStdString(facts.firstSubnet));
        item->setText(4, QString::fromStdString(facts.dataFormat));
    }
    const ModelFacts facts = modelFacts(profileOf(gatewayType(), flags));
    m_summary->setText(QString::fromStdString(
        formatText(StrId::NewModelSummary, {std::to_string(gatewayType()), m_variants->currentText().toStdString(),
                                            facts.fieldbus, facts.subnets, facts.firstSubnet})));
}

} // namespace tqv

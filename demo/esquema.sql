-- The host tables that Quiltaro reads, as a Trevanto Premium database holds them (the columns
-- the report reads plus a few of the host's own). Amounts are double, like the host's.
DROP TABLE IF EXISTS clientes, remisiones, facturas, devolucionctes, edoctacli;

CREATE TABLE clientes (
  `Clave` varchar(10) NOT NULL DEFAULT '',
  `Nombre` varchar(60) NOT NULL DEFAULT '',
  `RFC` varchar(13) NOT NULL DEFAULT '',
  `Direccion` varchar(80) NOT NULL DEFAULT '',
  `Telefono` varchar(20) NOT NULL DEFAULT '',
  `LimiteCredito` double NOT NULL DEFAULT '0',
  PRIMARY KEY (`Clave`)
) ENGINE=MyISAM;

CREATE TABLE remisiones (
  `Id` int NOT NULL AUTO_INCREMENT,
  `Serie` varchar(5) NOT NULL DEFAULT '',
  `Factura` int NOT NULL DEFAULT '0',
  `Cliente` varchar(10) NOT NULL DEFAULT '',
  `Fecha` date NOT NULL DEFAULT '0000-00-00',
  `Hora` varchar(8) NOT NULL DEFAULT '00:00:00',
  `Cancelada` tinyint NOT NULL DEFAULT '0',
  `SubTotal` double NOT NULL DEFAULT '0',
  `IVA` double NOT NULL DEFAULT '0',
  `ImpuestoAd` double NOT NULL DEFAULT '0',
  `Vendedor` varchar(10) NOT NULL DEFAULT '',
  `Observaciones` varchar(60) NOT NULL DEFAULT '',
  PRIMARY KEY (`Id`),
  KEY `ClienteFecha` (`Cliente`,`Fecha`),
  KEY `Fecha` (`Fecha`)
) ENGINE=MyISAM;

CREATE TABLE facturas (
  `Id` int NOT NULL AUTO_INCREMENT,
  `Serie` varchar(5) NOT NULL DEFAULT '',
  `Factura` int NOT NULL DEFAULT '0',
  `Cliente` varchar(10) NOT NULL DEFAULT '',
  `Fecha` date NOT NULL DEFAULT '0000-00-00',
  `Hora` varchar(8) NOT NULL DEFAULT '00:00:00',
  `Cancelada` tinyint NOT NULL DEFAULT '0',
  `SubTotal` double NOT NULL DEFAULT '0',
  `IVA` double NOT NULL DEFAULT '0',
  `ImpuestoAd` double NOT NULL DEFAULT '0',
  `Vendedor` varchar(10) NOT NULL DEFAULT '',
  `Observaciones` varchar(60) NOT NULL DEFAULT '',
  PRIMARY KEY (`Id`),
  KEY `ClienteFecha` (`Cliente`,`Fecha`),
  KEY `Fecha` (`Fecha`)
) ENGINE=MyISAM;

CREATE TABLE devolucionctes (
  `Id` int NOT NULL AUTO_INCREMENT,
  `DevolucionCtes` int NOT NULL DEFAULT '0',
  `Cliente` varchar(10) NOT NULL DEFAULT '',
  `Fecha` date NOT NULL DEFAULT '0000-00-00',
  `Hora` varchar(8) NOT NULL DEFAULT '00:00:00',
  `SubTotal` double NOT NULL DEFAULT '0',
  `IVA` double NOT NULL DEFAULT '0',
  `ImpuestoAd` double NOT NULL DEFAULT '0',
  `Factura` varchar(12) NOT NULL DEFAULT '',
  `Motivo` varchar(60) NOT NULL DEFAULT '',
  PRIMARY KEY (`Id`),
  KEY `ClienteFecha` (`Cliente`,`Fecha`),
  KEY `Fecha` (`Fecha`)
) ENGINE=MyISAM;

CREATE TABLE edoctacli (
  `Id` int NOT NULL AUTO_INCREMENT,
  `Clave` varchar(10) NOT NULL DEFAULT '',
  `Fecha` date NOT NULL DEFAULT '0000-00-00',
  `Hora` varchar(8) NOT NULL DEFAULT '00:00:00',
  `Folio` varchar(10) NOT NULL DEFAULT '',
  `Concepto` varchar(60) NOT NULL DEFAULT '',
  `Cargo` double NOT NULL DEFAULT '0',
  `CantidadPago` double NOT NULL DEFAULT '0',
  `NotaCredito` double NOT NULL DEFAULT '0',
  `Devolucion` double NOT NULL DEFAULT '0',
  `SaldoAnterior` double NOT NULL DEFAULT '0',
  `SaldoActual` double NOT NULL DEFAULT '0',
  PRIMARY KEY (`Id`),
  KEY `ClaveFecha` (`Clave`,`Fecha`,`Id`),
  KEY `Fecha` (`Fecha`)
) ENGINE=MyISAM;
